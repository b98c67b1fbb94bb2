// String resources.

#include "res/resources.h"

QString LoadResString(int id) {
    switch (id) {
        case IDS_ABOUTBOX:
            return QStringLiteral("关于 Vantel(&A)...");
        default:
            return {};
    }
}
