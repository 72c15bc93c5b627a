// Printing the editor control to PDF and reading the pages back as text: header, line
// numbers, page breaks, page numbers and wrapped lines.
#include "editor/builtinparsers.h"
#include "editor/ui/codememo.h"
#include "platform/paths.h"
#include "tempdir.h"

#include <QDate>
#include <QLocale>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace velloran;

namespace {

constexpr std::uint32_t kAllPrintOptions =
    cmoPrintWrap | cmoPrintLineNos | cmoPrintFilename | cmoPrintDate | cmoPrintPageNos;

class PrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    }

    // Prints with exactly the print options in `options` and returns the pages as
    // pdftotext lays them out.
    QString printed(std::uint32_t options) {
        EditModel& model = memo.model();
        model.setOptions((model.options() & ~kAllPrintOptions) | options);
        const QString pdf = QString::fromStdString(dir.file("out.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        EXPECT_TRUE(memo.Print(printer));
        QProcess tool;
        tool.start(QStringLiteral("pdftotext"),
                   {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        EXPECT_TRUE(tool.waitForFinished(60000));
        return QString::fromUtf8(tool.readAllStandardOutput());
    }

    static bool hasLine(const QString& text, const QString& pattern) {
        return text.contains(QRegularExpression(pattern, QRegularExpression::MultilineOption));
    }

    TempDir dir;
    TCodeMemo memo;
};

} // namespace

TEST_F(PrintTest, PagesCarryHeaderLineNumbersAndPageNumbers) {
    std::string text;
    for (int line = 1; line <= 150; ++line)
        text += "row " + std::to_string(line) + " of the table\r";
    memo.lines().setText(text);
    memo.model().setTitle("report.html");
    memo.setTopLine(40);
    const CellMetrics screen = memo.cellMetrics();

    const QString pages = printed(kAllPrintOptions);
    EXPECT_TRUE(pages.contains(QStringLiteral("report.html")));
    EXPECT_TRUE(
        pages.contains(QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat)));
    EXPECT_TRUE(pages.contains(QStringLiteral("- 1 -")));
    EXPECT_TRUE(pages.contains(QStringLiteral("- 2 -")));
    EXPECT_TRUE(hasLine(pages, QStringLiteral("^     1: row 1 of the table")));
    EXPECT_TRUE(hasLine(pages, QStringLiteral("^   150: row 150 of the table")));
    // Every line exactly once across the page breaks.
    for (int line = 1; line <= 150; ++line)
        EXPECT_EQ(pages.count(QStringLiteral(": row %1 of").arg(line)), 1) << line;
    EXPECT_GE(pages.count(QLatin1Char('\f')), 2); // several pages

    // Nothing on the screen moved or changed size.
    EXPECT_EQ(memo.cellMetrics().cellWidth, screen.cellWidth);
    EXPECT_EQ(memo.cellMetrics().lineHeight, screen.lineHeight);
    EXPECT_EQ(memo.cellMetrics().fonts[0], screen.fonts[0]);
    EXPECT_EQ(memo.topLine(), 40);

    // Without the header and footer options neither shows.
    const QString bare = printed(cmoPrintLineNos);
    EXPECT_FALSE(bare.contains(QStringLiteral("report.html")));
    EXPECT_FALSE(bare.contains(QStringLiteral("- 1 -")));
}

TEST_F(PrintTest, WrapCutsLongLinesIntoUnnumberedPieces) {
    // No blanks, so every printed piece reads back as one word.
    QString longLine = QStringLiteral("begin");
    while (longLine.size() < 288)
        longLine += QStringLiteral(".%1").arg(longLine.size());
    longLine = longLine.left(288) + QStringLiteral("ENDOFTHELINE");
    memo.lines().setText(longLine.toStdString() + "\rshort\r");

    const QStringList rows = printed(cmoPrintWrap | cmoPrintLineNos).split(QLatin1Char('\n'));
    const auto first = std::find_if(rows.begin(), rows.end(), [](const QString& row) {
        return row.contains(QRegularExpression(QStringLiteral("^ *1: begin")));
    });
    ASSERT_NE(first, rows.end());
    const auto second = std::find_if(first, rows.end(), [](const QString& row) {
        return row.contains(QRegularExpression(QStringLiteral("^ *2: short$")));
    });
    ASSERT_NE(second, rows.end());
    // The end of the line stands on a later row of its own, with no number.
    ASSERT_GE(second - first, 3);
    const QString last = *(second - 1);
    EXPECT_FALSE(last.contains(QLatin1Char(':')));
    EXPECT_TRUE(longLine.endsWith(last.trimmed())) << last.toStdString();
    EXPECT_TRUE(last.trimmed().endsWith(QStringLiteral("ENDOFTHELINE")) ||
                QStringLiteral("ENDOFTHELINE").endsWith(last.trimmed()));

    // Unwrapped, the line is cut at the page's edge.
    const QString cut = printed(cmoPrintLineNos);
    EXPECT_FALSE(cut.contains(QStringLiteral("THELINE")));
    EXPECT_TRUE(hasLine(cut, QStringLiteral("^ *2: short$")));
}

// Not a check: with VELLORAN_SCREENSHOT_DIR set, prints the tutorial page there as
// print-sample.pdf, in its colours, for people to look at.
TEST_F(PrintTest, SampleOnRequest) {
    const char* dir = std::getenv("VELLORAN_SCREENSHOT_DIR");
    if (!dir)
        GTEST_SKIP() << "VELLORAN_SCREENSHOT_DIR not set";
    static const BuiltinParsers parsers = LoadBuiltinParsers(ProgramDir(), {});
    ASSERT_NE(parsers.forRuleSet(kHtmlRuleSet), nullptr) << "parsers/html.vpi missing";
    memo.setParser(2, parsers.forRuleSet(kHtmlRuleSet));
    memo.setActiveParser(2);
    memo.loadFromFile(std::string(VELLORAN_SOURCE_DIR) + "/data/tutorial/index.htm");
    memo.model().setTitle("index.htm");
    memo.model().setOptions(memo.model().options() | kAllPrintOptions);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromLocal8Bit(dir) + "/print-sample.pdf");
    EXPECT_TRUE(memo.Print(printer));
}
