#pragma once

class QWidget;

namespace qor::ui {

// The document's save question. Results: 1 Yes (save), 2 Cancel (keep everything),
// 3 No (go on without saving).
enum SavePromptResult { kSaveYes = 1, kSaveCancel = 2, kSaveNo = 3 };
int AskSave(QWidget* parent, int lang);

}  // namespace qor::ui
