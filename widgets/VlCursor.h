// The application's mouse cursor.
#pragma once

#include <QCursor>

// Overrides the application's mouse cursor with this one. There is a single
// override: a later call replaces it; it is never restored by the kit.
void VlOverrideCursor(const QCursor &cursor);
