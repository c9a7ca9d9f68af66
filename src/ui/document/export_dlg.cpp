#include "ui/document/export_dlg.h"

#include "ui/common/ui_texts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qor::ui {

CExportDlg::CExportDlg(exporter::ExportDlgModel& model, int lang, QWidget* parent)
    : QDialog(parent), m_model(model)
{
    setWindowTitle(QString::fromStdString(model.Title()));
    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(1);
    for (int c = 0; c < 16; ++c) {
        for (int v = 0; v < 3; ++v) {
            const exporter::ExportDlgModel::Box& b = model.GetBox(c, v);
            auto* box = new QCheckBox(QString::fromStdString(b.caption), this);
            box->setChecked(b.checked);
            box->setEnabled(b.enabled);
            connect(box, &QCheckBox::toggled, this, [this, c, v](bool on) { m_model.SetChecked(c, v, on); });
            grid->addWidget(box, c, v);
            m_boxes[static_cast<std::size_t>(c)][v] = box;
        }
    }
    const exporter::ExportDlgModel::Box& vb = model.VirtualBox();
    m_virtual = new QCheckBox(QString::fromStdString(vb.caption), this);
    m_virtual->setChecked(vb.checked);
    m_virtual->setEnabled(vb.enabled);
    connect(m_virtual, &QCheckBox::toggled, this, [this](bool on) { m_model.SetVirtualChecked(on); });

    auto group = [this](const std::string& caption, QRadioButton** radios, const std::string(&texts)[2],
                        int current, auto setter) {
        auto* box = new QGroupBox(QString::fromStdString(caption), this);
        auto* row = new QHBoxLayout(box);
        auto* buttons = new QButtonGroup(box);
        for (int i = 0; i < 2; ++i) {
            radios[i] = new QRadioButton(QString::fromStdString(texts[i]), box);
            radios[i]->setChecked(i == current);
            buttons->addButton(radios[i], i);
            row->addWidget(radios[i]);
        }
        connect(buttons, &QButtonGroup::idClicked, this, setter);
        return box;
    };
    const std::string decimals[2] = {model.DecimalCaption(0), model.DecimalCaption(1)};
    const std::string dates[2] = {model.DateTimeCaption(0), model.DateTimeCaption(1)};
    QGroupBox* decimalBox = group(model.DecimalGroupCaption(), m_decimal, decimals, model.DecimalMark(),
                                  [this](int id) { m_model.SetDecimalMark(id); });
    QGroupBox* dateBox = group(model.DateTimeGroupCaption(), m_dateTime, dates, model.DateTime(),
                               [this](int id) { m_model.SetDateTime(id); });

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(Tr(txt::kOk, lang), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QString::fromStdString(model.CancelText()), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* options = new QHBoxLayout;
    options->addWidget(decimalBox);
    options->addWidget(dateBox);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(m_virtual);
    layout->addLayout(options);
    layout->addWidget(buttons);
}

}  // namespace qor::ui
