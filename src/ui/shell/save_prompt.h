#pragma once

#include <string>

class QWidget;

namespace qor::ui {

// The document's save question. Results: 1 Yes (save), 2 Cancel (keep everything),
// 3 No (go on without saving).
enum SavePromptResult { kSaveYes = 1, kSaveCancel = 2, kSaveNo = 3 };
int AskSave(QWidget* parent, int lang);
// A Yes/No question with the document's own title and text (the journal's recovery, a
// read-only file); true for Yes. `name` names the box for whoever drives it.
bool AskYesNo(QWidget* parent, const std::string& title, const std::string& text, int lang, const char* name);

}  // namespace qor::ui
