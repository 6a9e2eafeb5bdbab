// Stand-in for the HTML Help viewer: a separate top-level window showing
// the HTML pages shipped in the program's resources under ":/help".
//
// A help URL has the form "<help file>::/html/<topic>", as the game builds
// it; the part after "::" names the page inside the help pages.
#pragma once

#include <QString>

class QWidget;

namespace HtmlHelp {

// Initialise and uninitialise the viewer; the cookie is never 0 once
// initialised.
unsigned Initialize();
void Uninitialize(unsigned cookie);

// Opens a new help window on the page the URL names and returns it; null
// when the page does not exist. The window deletes itself when closed.
QWidget *DisplayTopic(const QString &url);

// Opens a new help window on the table of contents of the help file.
QWidget *DisplayToc(const QString &helpFile);

// The page resource a URL maps to (":/help/html/Opt000.htm"), empty when
// the URL names no page.
QString PageFor(const QString &url);

// The page a help window currently shows; empty for any other widget.
QString CurrentPage(QWidget *helpWindow);

} // namespace HtmlHelp
