#include "support/process.h"
#include "ui_test_app.h"

#include <QImage>
#include <cmath>

namespace {

// Runs a qortool command; its exit code.
int RunQortool(const QStringList& args)
{
    std::vector<std::string> argv{qor::test::BinPath("qortool")};
    for (const QString& a : args)
        argv.push_back(a.toStdString());
    return qor::test::RunProgram(argv);
}

// Pixels clearly red, green or blue rather than grey: the curves.
int Coloured(const QImage& img)
{
    int coloured = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = img.pixel(x, y);
            coloured += std::abs(qRed(c) - qBlue(c)) > 60;
        }
    return coloured;
}

void WriteRecording(const std::string& qo3)
{
    qor::test::LoneDocument lone;
    qor::data::CQORDoc& doc = lone.doc;
    qor::data::CGrafikSetup setup;
    setup.m_show1[2] = setup.m_show1[5] = 1;
    doc.SetGrafikSetup(setup);
    for (int i = 0; i < 500; ++i) {
        qor::data::CDatenObject s;
        s.m_time = 1700000000 + i;
        s.m_value[2] = static_cast<float>(5.0 + std::sin(i / 40.0));
        s.m_value[5] = i == 250 ? 2.5e8f : 1.0f;  // a failed reading is drawn as 0
        doc.AppendSample(s);
    }
    ASSERT_TRUE(doc.WriteFile(qo3).ok);
}

// A recording drawn into a PNG and a PDF; bad input is refused without writing anything.
TEST(PlotCommand, WritesPngAndPdfOfARecording)
{
    QTemporaryDir dir;
    const std::string qo3 = dir.filePath("rec.qo3").toStdString();
    WriteRecording(qo3);
    const QString png = dir.filePath("rec.png"), pdf = dir.filePath("rec.pdf");
    ASSERT_EQ(RunQortool({"plot", QString::fromStdString(qo3), "--png", png, "--size", "640x400"}), 0);
    const QImage img(png);
    ASSERT_EQ(img.size(), QSize(640, 400));
    EXPECT_GT(Coloured(img), 300) << "the curves are drawn in colour";

    ASSERT_EQ(RunQortool({"plot", QString::fromStdString(qo3), "--pdf", pdf, "--absolute"}), 0);
    const QByteArray bytes = qor::test::ReadFile(pdf);
    EXPECT_TRUE(bytes.startsWith("%PDF-1."));
    EXPECT_TRUE(bytes.trimmed().endsWith("%%EOF"));
    int pages = 0;  // page objects, not the page tree
    for (qsizetype at = bytes.indexOf("/Type /Page"); at >= 0; at = bytes.indexOf("/Type /Page", at + 1))
        pages += bytes.mid(at + 11, 1) != "s";
    EXPECT_EQ(pages, 1);

    const QString junk = dir.filePath("junk.qo3"), x = dir.filePath("x.png");
    ASSERT_TRUE(qor::test::WriteFile(junk, "not a document"));
    const QStringList cases[] = {
        {"plot", dir.filePath("missing.qo3"), "--png", x},
        {"plot", junk, "--png", x},
        {"plot", junk, "--png", x, "--pdf", dir.filePath("x.pdf")},  // one output only
        {"plot", junk, "--png", x, "--size", "10x10"},
    };
    for (const QStringList& args : cases) {
        EXPECT_EQ(RunQortool(args), 2) << args.join(' ').toStdString();
        EXPECT_FALSE(QFile::exists(x));
    }
}

// The window draws the file once into the picture and ends; a file that is not there is
// refused without a picture.
TEST(ScreenshotOption, WindowWithTheDocumentGraph)
{
    QTemporaryDir dir;
    const std::string d = dir.path().toStdString(), png = d + "/shot.png", none = d + "/none.png";
    WriteRecording(d + "/rec.qo3");
    // Its settings in the temporary folder.
    auto qorremote = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"/usr/bin/env", "APPDATA=" + d, "QT_QPA_PLATFORM=offscreen",
                                   qor::test::BinPath("qorremote"), "--screenshot"});
        return qor::test::RunProgram(args);
    };
    ASSERT_EQ(qorremote({png, "--size", "800x600", d + "/rec.qo3"}), 0);
    const QImage img(QString::fromStdString(png));
    ASSERT_EQ(img.size(), QSize(800, 600));
    EXPECT_GT(Coloured(img), 300);
    EXPECT_EQ(qorremote({none, d + "/missing.qo3"}), 1);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(none)));
}

}  // namespace
