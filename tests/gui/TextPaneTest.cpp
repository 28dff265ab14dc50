#include "ui/TextPane.h"

#include <QMimeData>
#include <QTextBlock>
#include <QtTest>

#include <memory>

using tg::Text;
using tg::TextPane;

namespace {

class Pane : public TextPane {
public:
    using TextPane::createMimeDataFromSelection;

    // What Copy puts on the clipboard for the characters from..to of the display.
    QString copied(int from, int to) {
        QTextCursor cursor(document());
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        setTextCursor(cursor);
        std::unique_ptr<QMimeData> data(createMimeDataFromSelection());
        return data->text();
    }
};

Text letters(size_t size, size_t offset) {
    Text text;
    for (size_t i = 0; i < size; ++i)
        text += static_cast<char>('a' + (i + offset) % 26);
    return text;
}

} // namespace

class TextPaneTest : public QObject {
    Q_OBJECT

private slots:
    void longLinesAreShownInPiecesAndCopiedWhole() {
        constexpr size_t kLimit = TextPane::kDisplayLineLimit;
        const Text longLine = letters(2 * kLimit + 100, 0);
        const Text exact = letters(kLimit, 7);
        Pane pane;
        pane.appendLines({"short", longLine, exact});
        pane.appendLines({longLine});
        QCOMPARE(pane.text(), "short\r\n" + longLine + "\r\n" + exact + "\r\n" + longLine + "\r\n");
        // short | three pieces | exact | three pieces
        QCOMPARE(pane.blockCount(), 8);
        QCOMPARE(pane.document()->findBlockByNumber(1).text().size(), qsizetype(kLimit));
        QCOMPARE(pane.document()->findBlockByNumber(3).text().size(), qsizetype(100));

        pane.selectAll();
        std::unique_ptr<QMimeData> all(pane.createMimeDataFromSelection());
        const QString whole = QString::fromLatin1(longLine.c_str());
        QCOMPARE(all->text(), QStringLiteral("short\n") + whole + QLatin1Char('\n') +
                                  QString::fromLatin1(exact.c_str()) + QLatin1Char('\n') + whole);
        // Across a piece boundary and across a real line end.
        const int pieceEnd = pane.document()->findBlockByNumber(2).position();
        QCOMPARE(pane.copied(pieceEnd - 3, pieceEnd + 2), whole.mid(kLimit - 2, 4));
        QCOMPARE(pane.copied(2, 9), QStringLiteral("ort\nabc"));
    }

    void setTextBreaksLongLinesTooAndStartsAfresh() {
        const Text longLine = letters(TextPane::kDisplayLineLimit + 1, 10);
        Pane pane;
        pane.appendLines({longLine});
        pane.setText("x\r\n" + longLine + "\r\ny");
        QCOMPARE(pane.blockCount(), 4);
        pane.selectAll();
        std::unique_ptr<QMimeData> all(pane.createMimeDataFromSelection());
        QCOMPARE(all->text(), QStringLiteral("x\n") + QString::fromLatin1(longLine.c_str()) +
                                  QStringLiteral("\ny"));
        // Cleared, the former pieces leave no trace in what is copied.
        pane.clearText();
        pane.appendLines({"a", "b", "c"});
        QCOMPARE(pane.copied(0, 5), QStringLiteral("a\nb\nc"));
    }
};

QTEST_MAIN(TextPaneTest)
#include "TextPaneTest.moc"
