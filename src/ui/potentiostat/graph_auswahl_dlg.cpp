#include "ui/potentiostat/graph_auswahl_dlg.h"

#include "potentiostat/xy_texts.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace qor::ui {

CGraphAuswahlDlg::CGraphAuswahlDlg(Kind kind, int lang, QWidget* parent) : QDialog(parent)
{
    const int l = lang == 1 ? 1 : 0;
    setWindowTitle(QString::fromUtf8(potentiostat::xytext::kChoiceTitle[l]));
    auto* layout = new QHBoxLayout(this);
    for (int i = 0; i < 4; ++i) {
        auto* b = new QPushButton(
            QString::fromStdString(potentiostat::GraphChoiceCaption(kind == Kind::Reference, i, l)), this);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, i] {
            m_choice = static_cast<std::uint8_t>(i);
            accept();
        });
        layout->addWidget(b);
        m_buttons[static_cast<std::size_t>(i)] = b;
    }
}

}  // namespace qor::ui
