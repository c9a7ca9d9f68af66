#include "ui/document/grafik_setup_dlg.h"

#include "catalogue/catalogue.h"
#include "data/qor_doc.h"
#include "ui/shell/ui_texts.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleValidator>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace qor::ui {

namespace {

constexpr TextPair kTitle{"Grafik Setup", "Graphic setup"};
constexpr TextPair kChannelType{"Messkanal -Typ", "Measure Channel -Type"};
constexpr TextPair kScale1{"Skalierung Messwert", "Scale Measure Value"};
constexpr TextPair kScale2{"Skalierung Messwert 2", "Scale 2. Measure Value"};
constexpr TextPair kScale3{"Skalierung Messwert 3", "Scale 3. Measure Value"};
constexpr TextPair kInterval{"Aufzeichnungsintervall", "Interval"};
constexpr TextPair kYFrom{"Y-Achse von", "Y_Axis from"};
constexpr TextPair kYTo{"bis", "to"};
constexpr TextPair kNotReleased{"nicht freigegeben", "not released"};
constexpr TextPair kNotANumber{"Bitte eine Zahl eingeben.", "Please enter a number."};

QLineEdit* NumberEdit(float value, QWidget* parent)
{
    auto* e = new QLineEdit(QString::number(static_cast<double>(value), 'g', 7), parent);
    auto* v = new QDoubleValidator(e);
    v->setLocale(QLocale::c());
    e->setValidator(v);
    e->setMaximumWidth(70);
    e->setAlignment(Qt::AlignRight);
    return e;
}

bool ReadNumber(QLineEdit* e, float& out)
{
    bool ok = false;
    const double v = QLocale::c().toDouble(e->text().trimmed(), &ok);
    if (ok)
        out = static_cast<float>(v);
    return ok;
}

}  // namespace

CGrafikSetupGlg::CGrafikSetupGlg(data::CQORDoc& doc, bool intervalEditable, int lang, QWidget* parent)
    : QDialog(parent), m_doc(doc)
{
    setWindowTitle(Tr(kTitle, lang));
    const data::CGrafikSetup& g = doc.m_grafikSetup;
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);
    grid->addWidget(new QLabel(Tr(kChannelType, lang), this), 0, 0);
    const TextPair* heads[3] = {&kScale1, &kScale2, &kScale3};
    for (int k = 0; k < 3; ++k)
        grid->addWidget(new QLabel(Tr(*heads[k], lang), this), 0, 1 + 2 * k, 1, 2);

    for (int a = 0; a < 16; ++a) {
        const std::size_t ai = static_cast<std::size_t>(a);
        catalogue::CSlave slave = doc.m_slave[ai];
        slave.m_language = static_cast<std::uint8_t>(lang);
        const bool released = slave.m_enabled != 0;
        const catalogue::ChannelInfo info = catalogue::DescribeModule(slave);
        const QString label =
            released ? QString::asprintf("%2d: ", a) + QString::fromStdString(catalogue::ModuleName(slave))
                     : QString::asprintf("%2d: ", a) + Tr(kNotReleased, lang);
        m_label[ai] = new QLabel(label, this);
        grid->addWidget(m_label[ai], a + 1, 0);
        const std::string captions[3] = {info.unit1, info.unit2, info.unit3};
        const std::uint8_t shows[3] = {g.m_show1[ai], g.m_show2[ai], g.m_show3[ai]};
        const float factors[3] = {g.m_factor1[ai], g.m_factor2[ai], g.m_factor3[ai]};
        for (int k = 0; k < 3; ++k) {
            m_factor[ai][k] = NumberEdit(factors[k], this);
            m_show[ai][k] = new QCheckBox(released ? QString::fromStdString(captions[k]) : QString(), this);
            m_show[ai][k]->setChecked(released && shows[k]);
            m_show[ai][k]->setEnabled(released);
            grid->addWidget(m_factor[ai][k], a + 1, 1 + 2 * k);
            grid->addWidget(m_show[ai][k], a + 1, 2 + 2 * k);
        }
    }

    m_interval = new QTimeEdit(this);
    m_interval->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    const data::CGrafikSetup::Hms iv = g.Interval();
    m_interval->setTime(iv.hours >= 0 ? QTime(iv.hours, iv.minutes, iv.seconds) : QTime(0, 0, 10));
    m_interval->setEnabled(intervalEditable);
    m_yFrom = NumberEdit(g.m_yFrom, this);
    m_yTo = NumberEdit(g.m_yTo, this);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(Tr(kInterval, lang), this));
    bottom->addWidget(m_interval);
    bottom->addSpacing(20);
    bottom->addWidget(new QLabel(Tr(kYFrom, lang), this));
    bottom->addWidget(m_yFrom);
    bottom->addWidget(new QLabel(Tr(kYTo, lang), this));
    bottom->addWidget(m_yTo);
    bottom->addStretch();

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(Tr(txt::kOk, lang), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(Tr(txt::kCancel, lang), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CGrafikSetupGlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(bottom);
    layout->addWidget(buttons);
    m_lang = lang;
}

void CGrafikSetupGlg::accept()
{
    std::array<std::array<float, 3>, 16> factors{};
    float yFrom = 0, yTo = 0;
    for (std::size_t a = 0; a < 16; ++a)
        for (int k = 0; k < 3; ++k)
            if (!ReadNumber(m_factor[a][k], factors[a][static_cast<std::size_t>(k)])) {
                m_factor[a][k]->setFocus();
                QMessageBox::warning(this, windowTitle(), Tr(kNotANumber, m_lang));
                return;
            }
    for (auto [edit, out] : {std::pair{m_yFrom, &yFrom}, std::pair{m_yTo, &yTo}})
        if (!ReadNumber(edit, *out)) {
            edit->setFocus();
            QMessageBox::warning(this, windowTitle(), Tr(kNotANumber, m_lang));
            return;
        }
    data::CGrafikSetup& g = m_doc.m_grafikSetup;
    for (std::size_t a = 0; a < 16; ++a) {
        g.m_show1[a] = m_show[a][0]->isChecked() ? 1 : 0;
        g.m_show2[a] = m_show[a][1]->isChecked() ? 1 : 0;
        g.m_show3[a] = m_show[a][2]->isChecked() ? 1 : 0;
        g.m_factor1[a] = factors[a][0];
        g.m_factor2[a] = factors[a][1];
        g.m_factor3[a] = factors[a][2];
        g.m_moduleType[a] = m_doc.m_slave[a].m_type;
    }
    const QTime t = m_interval->time();
    g.SetInterval(t.hour(), t.minute(), t.second());
    g.m_yFrom = yFrom;
    g.m_yTo = yTo;
    QDialog::accept();
}

}  // namespace qor::ui
