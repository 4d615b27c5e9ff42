#pragma once

#include "platform/qt/QtView.h"

class QWidget;

namespace fw {

class QtViewContext;
class TRichEdit;

// The view of a rich edit: a read-only QTextEdit showing the model's document
// (paragraphs, bold, italic, underline, colours and font sizes) on the
// model's colour, wrapped to the widget's width, with scroll bars as needed.
QtView make_rich_edit_view(TRichEdit& model, QWidget* parent, QtViewContext& ctx);

}  // namespace fw
