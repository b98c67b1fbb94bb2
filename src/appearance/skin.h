#pragma once
// The skin: a Qt style sheet read from a file (Style.dll in the application directory).

#include <QString>

// Applies the style sheet in the file to the whole application. A missing, unreadable or
// empty file leaves the platform look; nothing is reported. Returns true when a skin was applied.
bool LoadSkin(const QString& path);
