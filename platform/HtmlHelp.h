// The help window: a separate top-level window showing
// the HTML pages shipped in the program's resources under ":/help".
//
// A help URL has the form "<help file>::/html/<topic>", as the game builds
// it; the part after "::" names the page inside the help pages.
#pragma once

#include <QRect>
#include <QString>

class QWidget;

namespace HtmlHelp {

// Initialise and uninitialise the viewer; the cookie is never 0 once
// initialised.
unsigned Initialize();
void Uninitialize(unsigned cookie);

// Opens a new help window on the page the URL names and returns it; null
// when the page does not exist. The window deletes itself when closed;
// Escape and Ctrl+W close it. It opens beside `besides` (by default the
// active modal dialog, when one runs), so it does not cover that dialog.
QWidget *DisplayTopic(const QString &url, const QWidget *besides = nullptr);

// Opens a new help window on the table of contents of the help file.
QWidget *DisplayToc(const QString &helpFile, const QWidget *besides = nullptr);

// Where a window of frame size `size` goes on the screen's available area
// so that it stays clear of the frame `avoid`: right of it, else left of
// it, else as wide as the larger side allows (down to 320 pixels), else
// below or above it (down to 200 pixels high); when nothing is free the
// window lies at the top of the larger side, over part of `avoid`.
QRect PlaceBeside(const QRect &screen, const QRect &avoid, const QSize &size);

// The page resource a URL maps to (":/help/html/Opt000.htm"), empty when
// the URL names no page.
QString PageFor(const QString &url);

// The page a help window currently shows; empty for any other widget.
QString CurrentPage(QWidget *helpWindow);

} // namespace HtmlHelp
