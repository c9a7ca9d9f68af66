#pragma once

#include <QString>

class QPrinter;
class QWidget;

namespace qor::ui {

class CGraphWnd;

// The document graph on paper and in PDF: one landscape page with the graph's title, rulers,
// curves, legend and texts, drawn at the device's resolution.

// Draws the graph onto the printer's page; false when the printer cannot be painted on.
bool PrintGraph(CGraphWnd& graph, QPrinter& printer, const QString& title);
// The print dialog, then the page; false when cancelled or failed.
bool PrintGraphAsked(CGraphWnd& graph, const QString& title, QWidget* parent);
// The print preview, from which the user may print.
void PreviewGraph(CGraphWnd& graph, const QString& title, QWidget* parent);
// Writes the page as a PDF file; false when the file cannot be written.
bool ExportGraphPdf(CGraphWnd& graph, const QString& path, const QString& title);

}  // namespace qor::ui
