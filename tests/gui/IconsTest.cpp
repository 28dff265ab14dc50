#include "app/Unit1.h"

#include <QAction>
#include <QIcon>
#include <QToolBar>
#include <QtTest>

// With no icon theme at all, as on Windows, every picture comes from the program's own copies.
class IconsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QIcon::setThemeSearchPaths({});
        QIcon::setThemeName(QString());
    }

    void everyCommandWithAPictureShowsItsOwnAtEverySize() {
        TMainForm form(MainFormEnvironment{});
        const char* withPictures[] = {
            "FileNew1",        "FileOpen1",       "FileSave1",      "FileSaveAs1",
            "FilePrintSetup1", "PrintPreview1",   "Print1",         "FileExit1",
            "EditCopy1",       "EditFind1",       "EditSelectAll1", "TabView",
            "TreeView",        "ShowCommandHelp", "actHelp",        "HelpAbout"};
        for (const char* name : withPictures) {
            auto* action = form.findChild<QAction*>(QLatin1String(name));
            QVERIFY2(action, name);
            const QIcon icon = action->icon();
            QVERIFY2(!icon.isNull(), name);
            if (QLatin1String(name) != QLatin1String("HelpAbout")) {
                for (int size : {16, 22, 32})
                    QVERIFY2(icon.availableSizes().contains(QSize(size, size)), name);
            }
        }
        // Each command has a picture of its own, none is the same as another's.
        QSet<QByteArray> distinct;
        for (const char* name : withPictures) {
            QImage image =
                form.findChild<QAction*>(QLatin1String(name))->icon().pixmap(16).toImage();
            distinct.insert(
                QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
        }
        QCOMPARE(distinct.size(), qsizetype(std::size(withPictures)));
    }
};

QTEST_MAIN(IconsTest)
#include "IconsTest.moc"
