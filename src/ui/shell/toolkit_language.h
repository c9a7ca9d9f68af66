#pragma once

#include <memory>

class QMdiArea;
class QTranslator;

namespace qor::ui {

// The toolkit's own texts (file dialogs, standard buttons) in the window's language: German
// from the toolkit's installed translations, English as the toolkit has them built in.
class ToolkitLanguage {
public:
    ToolkitLanguage();
    ~ToolkitLanguage();
    ToolkitLanguage(const ToolkitLanguage&) = delete;
    ToolkitLanguage& operator=(const ToolkitLanguage&) = delete;

    // 0 German, 1 English. Without the installed translations German dialogs stay English.
    void Use(int lang);
    // The windows' own menus (Restore, Move, Close...) keep the texts they were made with;
    // these are put into the language now in use.
    void Retranslate(QMdiArea& area) const;

private:
    std::unique_ptr<QTranslator> m_german;
    bool m_loaded = false;
    bool m_installed = false;
};

}  // namespace qor::ui
