#pragma once
// The message a page shows when a command to the device did not succeed. A refusal is an
// answer: the device got the command and said no, so the operator learns that it was heard.
// Every other failure means that no usable answer came.

#include <QString>

QString CommandFailureText(unsigned result);
