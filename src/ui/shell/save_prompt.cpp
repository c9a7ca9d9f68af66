#include "ui/shell/save_prompt.h"

#include "ui/common/ui_texts.h"

#include <QMessageBox>
#include <QPushButton>

namespace qor::ui {

int AskSave(QWidget* parent, int lang)
{
    QMessageBox box(QMessageBox::Question, Tr(txt::kSaveCaption, lang), Tr(txt::kSaveQuestion, lang),
                    QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("savePrompt"));
    QPushButton* yes = box.addButton(Tr(txt::kYes, lang), QMessageBox::YesRole);
    QPushButton* cancel = box.addButton(Tr(txt::kCancel, lang), QMessageBox::RejectRole);
    QPushButton* no = box.addButton(Tr(txt::kNo, lang), QMessageBox::NoRole);
    yes->setObjectName(QStringLiteral("yes"));
    cancel->setObjectName(QStringLiteral("cancel"));
    no->setObjectName(QStringLiteral("no"));
    box.setDefaultButton(yes);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == yes)
        return kSaveYes;
    if (box.clickedButton() == no)
        return kSaveNo;
    return kSaveCancel;
}

bool AskYesNo(QWidget* parent, const std::string& title, const std::string& text, int lang, const char* name)
{
    QMessageBox box(QMessageBox::Question, QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::NoButton, parent);
    box.setObjectName(QString::fromLatin1(name));
    QPushButton* yes = box.addButton(Tr(txt::kYes, lang), QMessageBox::YesRole);
    QPushButton* no = box.addButton(Tr(txt::kNo, lang), QMessageBox::NoRole);
    yes->setObjectName(QStringLiteral("yes"));
    no->setObjectName(QStringLiteral("no"));
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

}  // namespace qor::ui
