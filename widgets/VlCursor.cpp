#include "VlCursor.h"

#include <QGuiApplication>

void VlOverrideCursor(const QCursor &cursor)
{
    if (QGuiApplication::overrideCursor())
        QGuiApplication::changeOverrideCursor(cursor);
    else
        QGuiApplication::setOverrideCursor(cursor);
}
