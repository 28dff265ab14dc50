#include "ui/OutputPane.h"

#include "text/Codec.h"
#include "text/LargeBuffers.h"
#include "ui/Fonts.h"
#include "ui/QtText.h"

#include <QAccessible>
#include <QClipboard>
#include <QElapsedTimer>
#include <QPainter>
#include <QScrollBar>
#include <QtTest>

#include <new>

using tg::OutputPane;
using tg::Text;

namespace {

Text cp932(const char* utf8) {
    return tg::utf8ToCp932(utf8);
}

QString clipboard() {
    return QGuiApplication::clipboard()->text();
}

void keys(QWidget* pane, Qt::Key key, Qt::KeyboardModifiers modifiers = {}, int times = 1) {
    for (int i = 0; i < times; ++i)
        QTest::keyClick(pane, key, modifiers);
}

QAccessibleTextInterface* accessibleText(OutputPane& pane) {
    return QAccessible::queryAccessibleInterface(&pane)->textInterface();
}

} // namespace

class OutputPaneTest : public QObject {
    Q_OBJECT

    // A shown pane of a usual size, with focus for the keys.
    std::unique_ptr<OutputPane> pane;

private slots:
    void init() {
        pane = std::make_unique<OutputPane>();
        pane->resize(400, 200);
        pane->show();
        pane->activateWindow();
        pane->setFocus();
        QVERIFY(QTest::qWaitForWindowExposed(pane.get()));
    }
    void cleanup() { pane.reset(); }

    void bytesComeBackExactlyAndLinesAsShown() {
        // x CR CR LF and a lone CR: the rich edit's line ends.
        pane->appendLines({cp932("表示\tです"), "x\r", "a\rb", ""});
        pane->appendLines({cp932("ｶﾀｶﾅ")});
        const Text bytes = cp932("表示\tです\r\nx\r\r\na\rb\r\n\r\nｶﾀｶﾅ\r\n");
        QCOMPARE(pane->text(), bytes);
        QCOMPARE(pane->lineCount(), qsizetype(6));
        QCOMPARE(pane->lineText(0), QStringLiteral("表示\tです"));
        QCOMPARE(pane->lineText(1), QStringLiteral("x"));
        QCOMPARE(pane->lineText(3), QStringLiteral("b"));
        QCOMPARE(pane->lineText(5), QStringLiteral("ｶﾀｶﾅ"));
        QCOMPARE(pane->property("plainText").toString(),
                 QStringLiteral("表示\tです\nx\na\nb\n\nｶﾀｶﾅ"));

        // Handed on without a copy, and still shown.
        const char* held = pane->text().data();
        Text viewText;
        pane->moveTextTo(viewText);
        QCOMPARE(viewText, bytes);
        QCOMPARE(static_cast<const void*>(viewText.data()), static_cast<const void*>(held));
        QCOMPARE(&pane->text(), &viewText);
        QCOMPARE(pane->lineText(5), QStringLiteral("ｶﾀｶﾅ"));

        // A new text starts afresh: nothing of the old lines or selection is left.
        pane->selectAll();
        pane->showText(viewText);
        QVERIFY(!pane->hasSelection());
        pane->clearText();
        QCOMPARE(pane->lineCount(), qsizetype(1));
        pane->appendLines({"a", "b"});
        pane->selectAll();
        QCOMPARE(pane->selectedText(), QStringLiteral("a\nb"));
    }

    void keysSelectAcrossLinesAndDoubleByteCharacters() {
        pane->setText(cp932("漢字とkana\r\nｶﾀｶﾅ全角\r\nthird line\r\n"));
        keys(pane.get(), Qt::Key_End, Qt::ControlModifier);
        keys(pane.get(), Qt::Key_Home, Qt::ControlModifier);
        keys(pane.get(), Qt::Key_Right, {}, 1);
        keys(pane.get(), Qt::Key_Down, Qt::ShiftModifier);
        keys(pane.get(), Qt::Key_Right, Qt::ShiftModifier, 3);
        keys(pane.get(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboard(), QStringLiteral("字とkana\nｶﾀｶﾅ全"));
        QCOMPARE(pane->selection().start, (OutputPane::Position{0, 1}));
        QCOMPARE(pane->selection().end, (OutputPane::Position{1, 5}));

        keys(pane.get(), Qt::Key_Left, Qt::ShiftModifier, 2);
        keys(pane.get(), Qt::Key_End, Qt::ShiftModifier);
        QCOMPARE(pane->property("selectedText").toString(), QStringLiteral("字とkana\nｶﾀｶﾅ全角"));
        // Up and down keep to the column the cursor came from.
        keys(pane.get(), Qt::Key_PageDown, Qt::ShiftModifier);
        QCOMPARE(pane->selectedText(), QStringLiteral("字とkana\nｶﾀｶﾅ全角\nthird li"));
        keys(pane.get(), Qt::Key_End, Qt::ShiftModifier | Qt::ControlModifier);
        keys(pane.get(), Qt::Key_Home, Qt::ShiftModifier | Qt::ControlModifier);
        QCOMPARE(pane->selectedText(), QStringLiteral("漢"));

        keys(pane.get(), Qt::Key_A, Qt::ControlModifier);
        keys(pane.get(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboard(), QStringLiteral("漢字とkana\nｶﾀｶﾅ全角\nthird line"));
        QCOMPARE(pane->text(), cp932("漢字とkana\r\nｶﾀｶﾅ全角\r\nthird line\r\n"));
    }

    void mouseDragsAndDoubleClickTakesAWord() {
        pane->setText(cp932("ping 127.0.0.1 応答しました\r\nsecond\r\n"));
        const QFontMetricsF metrics(pane->font());
        const double column = metrics.horizontalAdvance(QLatin1Char(' '));
        const int middle = static_cast<int>(metrics.height() / 2) + 4;
        auto at = [&](double columns, int line = 0) {
            return QPoint(static_cast<int>(4 + columns * column),
                          middle + line * QFontMetrics(pane->font()).height());
        };
        QTest::mouseDClick(pane->viewport(), Qt::LeftButton, {}, at(17));
        QCOMPARE(pane->selectedText(), QStringLiteral("応答"));
        QTest::mouseDClick(pane->viewport(), Qt::LeftButton, {}, at(1.5));
        QCOMPARE(pane->selectedText(), QStringLiteral("ping"));

        QTest::mousePress(pane->viewport(), Qt::LeftButton, {}, at(2));
        QMouseEvent move(QEvent::MouseMove, at(3, 1), pane->viewport()->mapToGlobal(at(3, 1)),
                         Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(pane->viewport(), &move);
        QTest::mouseRelease(pane->viewport(), Qt::LeftButton, {}, at(3, 1));
        QCOMPARE(pane->selectedText(), QStringLiteral("ng 127.0.0.1 応答しました\nsec"));
    }

    void tabStopsAndDoubleWidthOnTheGrid() {
        pane->setText(cp932("a\tb\r\nabcdefgh\tc\r\nあい\tz\r\n0123456789abcdefgh\r\n"));
        QAccessibleTextInterface* text = accessibleText(*pane);
        QCOMPARE(text->text(0, text->characterCount()), pane->plainText());
        // Offsets of "b", "c", "z" and of columns 8 and 16 of the ruler line.
        const int ruler = 4 + 11 + 5;
        auto x = [&](int offset) { return text->characterRect(offset).x(); };
        QCOMPARE(x(2), x(ruler + 8));
        QCOMPARE(x(4 + 9), x(ruler + 16));
        QCOMPARE(x(15 + 3), x(ruler + 8));
        QCOMPARE(x(4 + 11 + 1), x(ruler + 2)); // い after the double-width あ

        text->setSelection(0, 4, 4 + 8);
        QCOMPARE(pane->selectedText(), QStringLiteral("abcdefgh"));
        int start = 0;
        int end = 0;
        text->selection(0, &start, &end);
        QCOMPARE(QPoint(start, end), QPoint(4, 12));
    }

    // Whatever way a line is drawn, each character shows as if drawn by itself at its column.
    void paintedCharactersSitOnTheirColumns_data() {
        QTest::addColumn<QFont>("font");
        QTest::newRow("fixed") << tg::fixedFont();
        QTest::newRow("proportional") << tg::interfaceFont();
    }

    void paintedCharactersSitOnTheirColumns() {
        QFETCH(QFont, font);
        const std::vector<Text> lines = {"plain ASCII, ~{}|`_ and 0123456789",
                                         "tab\tstops\t\there",
                                         cp932("全角の行　と ｶﾀｶﾅ\tand ASCII"),
                                         cp932("a\tあ\tb"),
                                         "",
                                         "control \x01 byte"};
        pane->setFont(font);
        pane->appendLines(lines);
        pane->verticalScrollBar()->setValue(0);
        pane->clearFocus(); // no caret
        const QImage shown = pane->viewport()->grab().toImage();

        QImage expected(shown.size(), shown.format());
        expected.setDevicePixelRatio(shown.devicePixelRatio());
        expected.fill(pane->palette().color(QPalette::Base));
        QPainter painter(&expected);
        painter.setFont(font);
        painter.setPen(pane->palette().color(QPalette::Text));
        const QFontMetricsF metrics(font);
        const double column = metrics.horizontalAdvance(QLatin1Char(' '));
        const int height = QFontMetrics(font).height();
        for (size_t row = 0; row < lines.size(); ++row) {
            const Text& bytes = lines[row];
            size_t at = 0;
            size_t columns = 0;
            while (at < bytes.size()) {
                if (bytes[at] == '\t') {
                    columns = (columns / 8 + 1) * 8;
                    ++at;
                    continue;
                }
                const size_t length = tg::cp932CharLength(bytes, at);
                painter.drawText(QPointF(4 + columns * column, 4 + static_cast<int>(row) * height +
                                                                   QFontMetrics(font).ascent()),
                                 tg::toQString(std::string_view(bytes).substr(at, length)));
                at += length;
                columns += length;
            }
        }
        painter.end();
        QCOMPARE(shown.convertToFormat(QImage::Format_RGB32),
                 expected.convertToFormat(QImage::Format_RGB32));
    }

    void longLinesScrollSidewaysAndCopyWhole() {
        Text longLine;
        for (int i = 0; i < 200000; ++i)
            longLine += static_cast<char>('a' + i % 26);
        pane->appendLines({"short", longLine, cp932("後")});
        QCOMPARE(pane->lineText(1).size(), qsizetype(200000));
        QScrollBar* sideways = pane->horizontalScrollBar();
        const double column = QFontMetricsF(pane->font()).horizontalAdvance(QLatin1Char(' '));
        QVERIFY(sideways->maximum() >= 200000 * column - pane->viewport()->width());

        // The caret at the line's end brings the view there; painting there is quick work.
        keys(pane.get(), Qt::Key_Home, Qt::ControlModifier);
        keys(pane.get(), Qt::Key_Down);
        keys(pane.get(), Qt::Key_End);
        QVERIFY(sideways->value() > sideways->maximum() - pane->viewport()->width());
        QVERIFY(!pane->viewport()->grab().isNull());
        keys(pane.get(), Qt::Key_Left, Qt::ShiftModifier, 3);
        QCOMPARE(pane->selectedText(), QStringLiteral("fgh"));
        pane->selectAll();
        QCOMPARE(pane->selectedText(), QStringLiteral("short\n") + QString::fromLatin1(longLine) +
                                           QStringLiteral("\n後"));
    }

    void appendingFollowsTheEndOnlyFromThere() {
        QScrollBar* bar = pane->verticalScrollBar();
        std::vector<Text> lines(100, "line");
        pane->appendLines(lines);
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());
        pane->appendLines(lines);
        QCOMPARE(bar->value(), bar->maximum());

        bar->setValue(10);
        pane->appendLines(lines);
        QCOMPARE(bar->value(), 10);
        QCOMPARE(pane->lineCount(), qsizetype(300));
    }

    // Room made ahead of a batch is only ahead of need: where the system cannot give it, the pane
    // goes on as it was.
    void roomAheadThatCannotBeHadChangesNothing() {
        tg::LineBatch batch;
        const Text line(1000, 'x');
        for (int i = 0; i < 5000; ++i)
            batch.add(line);
        pane->appendBatch(batch);
        const tg::LargeBufferSupport was = tg::largeBufferSupport();
        struct Restore {
            tg::LargeBufferSupport support;
            ~Restore() { tg::setLargeBufferSupport(support); }
        } restore{was};
        tg::setLargeBufferSupport({[](void*, std::size_t) { throw std::bad_alloc(); }, 2, nullptr});
        QTest::qWait(50); // the window is idle: the room ahead is asked for
        QCOMPARE(pane->text(), batch.bytes());
        QCOMPARE(pane->lineCount(), qsizetype(5000));
    }

    // A flood of appends paints once a frame at most, and its last lines are painted all the same.
    void appendsPaintOnceAFrameAndTheLastSurely() {
        struct Paints : QObject {
            int count = 0;
            bool sinceLastAppend = false;
            bool eventFilter(QObject*, QEvent* event) override {
                if (event->type() == QEvent::Paint) {
                    ++count;
                    sinceLastAppend = true;
                }
                return false;
            }
        } paints;
        pane->viewport()->installEventFilter(&paints);
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 200; ++i) {
            pane->appendLines({"line " + std::to_string(i)});
            paints.sinceLastAppend = false;
            QCoreApplication::processEvents();
        }
        QVERIFY(paints.count <= clock.elapsed() / 16 + 2);
        QTRY_VERIFY(paints.sinceLastAppend);
        pane->viewport()->removeEventFilter(&paints);
    }

    void findSelectsAndMarksRanges() {
        pane->setText("one    two\r\nthree    four\r\n");
        pane->select({{1, 0}, {1, 5}});
        QCOMPARE(pane->selectedText(), QStringLiteral("three"));
        pane->setHighlights({{{0, 3}, {0, 7}}});
        // Between its glyphs, a mark is the mark's colour, and the selection the palette's.
        const QImage shown = pane->viewport()->grab().toImage();
        const double column = QFontMetricsF(pane->font()).horizontalAdvance(QLatin1Char(' '));
        const int line = QFontMetrics(pane->font()).height();
        const QColor marked = shown.pixelColor(static_cast<int>(4 + 5 * column), 4 + line / 2);
        QCOMPARE(marked, QColor(255, 238, 140));
        const QColor selected = shown.pixelColor(4, 4 + line + 1);
        QVERIFY(selected == pane->palette().color(QPalette::Active, QPalette::Highlight) ||
                selected == pane->palette().color(QPalette::Inactive, QPalette::Highlight));
    }
};

QTEST_MAIN(OutputPaneTest)
#include "OutputPaneTest.moc"
