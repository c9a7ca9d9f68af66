#include "ui/common/fehler_dlg.h"
#include "ui/document/virtuell_kanal.h"
#include "ui_test_app.h"

#include <QComboBox>
#include <QLineEdit>

namespace qor::ui {
namespace {

// From the graph setup: a wrong formula keeps the virtual channel dialog open with its message;
// a right one closes both dialogs, and the document takes the setup and the virtual channels.
TEST(VirtuellKanal, OkClosesTheGraphSetupWithTheNewFormula)
{
    test::LoneDocument lone;
    std::array<catalogue::CSlave, 16> modules{};
    modules[0].m_type = 1;  // pH amplifier: list entries of codes 2, 1, 0
    modules[0].m_enabled = 1;
    CGrafikSetupGlg setup(lone.doc, modules, false, 0);

    QString message;
    bool openAfterError = false;
    test::OnNextModal([&](QWidget*) {
        setup.Factor(0, 0)->setText(QStringLiteral("1,5"));
        test::OnNext<CVirtuellKanal>([&](CVirtuellKanal* dlg) {
            ASSERT_EQ(dlg->SourceY(0)->count(), 3);
            dlg->Enable(1)->setChecked(true);
            dlg->SourceY(1)->setCurrentIndex(2);
            dlg->SourceZ(1)->setCurrentIndex(1);
            dlg->Formula(1)->setText(QStringLiteral("y*(2"));
            test::OnNext<CFehlerDlg>([&](CFehlerDlg* error) {
                message = error->Text();
                error->accept();
            });
            dlg->accept();
            openAfterError = dlg->isVisible();
            dlg->Formula(1)->setText(QStringLiteral("y/z+1"));
            dlg->accept();
            if (dlg->isVisible())  // fail rather than hang
                dlg->reject();
        });
        setup.VirtualButton()->click();
        if (setup.isVisible())
            setup.reject();
    });
    EXPECT_EQ(setup.exec(), QDialog::Accepted);
    EXPECT_EQ(message, "Syntaxfehler in Formel 2");
    EXPECT_TRUE(openAfterError);
    const data::CGrafikSetupVirtuell& v = lone.doc.Virtuell();
    EXPECT_EQ(v.m_formula[1], "y/z+1");
    EXPECT_EQ(v.m_enable[1], 1);
    EXPECT_EQ(v.m_sourceY[1], 0);
    EXPECT_EQ(v.m_sourceZ[1], 1);
    EXPECT_EQ(lone.doc.GrafikSetup().m_factor1[0], 1.5f);  // the German decimal mark
}

}  // namespace
}  // namespace qor::ui
