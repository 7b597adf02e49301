// Launch at login through the XDG autostart entry, and the help window: loading, reloading
// and printing.
#include "ApplicationController.h"
#include "AutostartEntry.h"
#include "TarvexCCApp.h"
#include "TestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QTextBrowser>
#include <QtTest>

class LoginItemAndHelpTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir *mConfig = nullptr;
    ScriptedAlertPresenter mAlerts;

    QString autostartDir() const { return mConfig->path() + QStringLiteral("/autostart"); }
    QString entryPath() const { return autostartDir() + QStringLiteral("/tarvexcc.desktop"); }
    static QByteArray read(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static void write(const QString &path, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

private slots:
    void init()
    {
        delete mConfig;
        mConfig = new QTemporaryDir;
        qputenv("XDG_CONFIG_HOME", mConfig->path().toUtf8());
        AlertPresenter::install(&mAlerts);
        mAlerts.alerts.clear();
    }
    void cleanupTestCase() { delete mConfig; }

    void switchingOnWritesOneEntryThatStartsThisProgram()
    {
        ApplicationController app;
        QCheckBox &box = *app.mLaunchAtLoginBox;
        box.setChecked(true);
        app.launchAtLogin(&box);
        const QByteArray entry = read(entryPath());
        QVERIFY(entry.startsWith("[Desktop Entry]\n"));
        QVERIFY(entry.contains("\nType=Application\n"));
        QCOMPARE(AutostartEntry::programOfExecLine(QString::fromUtf8(
                     entry.mid(entry.indexOf("Exec=") + 5).split('\n').first())),
                 QCoreApplication::applicationFilePath());
        // Twice on leaves one entry, not two.
        app.launchAtLogin(&box);
        QCOMPARE(QDir(autostartDir()).entryList(QDir::Files).size(), qsizetype(1));
        QVERIFY(app.mLaunchAtLoginItem->isChecked());
        QVERIFY(mAlerts.alerts.isEmpty());

        box.setChecked(false);
        app.launchAtLogin(&box);
        QVERIFY(!QFile::exists(entryPath()));
        QVERIFY(!app.mLaunchAtLoginItem->isChecked());
    }

    void switchingOffLeavesOtherProgramsAlone()
    {
        write(autostartDir() + QStringLiteral("/other.desktop"), "[Desktop Entry]\nExec=/usr/bin/other\n");
        // An entry of the same name that starts another copy is not ours to delete.
        write(entryPath(), "[Desktop Entry]\nType=Application\nExec=/opt/elsewhere/tarvexcc --flag\n");
        ApplicationController app;
        app.mLaunchAtLoginItem->setChecked(false);
        app.launchAtLogin(app.mLaunchAtLoginItem);
        QVERIFY(QFile::exists(entryPath()));
        QVERIFY(QFile::exists(autostartDir() + QStringLiteral("/other.desktop")));
        QVERIFY(!app.mLaunchAtLoginBox->isChecked()); // it does not start this program
    }

    void aMixedStateChangesNothing()
    {
        ApplicationController app;
        QCheckBox &box = *app.mLaunchAtLoginBox;
        box.setTristate(true);
        box.setCheckState(Qt::PartiallyChecked);
        app.launchAtLogin(&box);
        QVERIFY(!QDir(autostartDir()).exists());
    }

    void theCheckBoxShowsTheEntryWhenTheWindowOpens()
    {
        ApplicationController app;
        AutostartEntry(QCoreApplication::applicationFilePath()).install();
        QVERIFY(!app.mLaunchAtLoginBox->isChecked());
        app.configureHotkeys(nullptr);
        QVERIFY(app.mLaunchAtLoginBox->isChecked());
        QVERIFY(app.mHotkeyConfigWnd->isVisible());
    }

    void aFailedWriteIsReportedAndNotShownAsDone()
    {
        write(autostartDir(), "a file where the directory should be");
        ApplicationController app;
        app.mLaunchAtLoginItem->setChecked(true);
        app.launchAtLogin(app.mLaunchAtLoginItem);
        QCOMPARE(mAlerts.alerts.size(), qsizetype(1));
        QVERIFY(mAlerts.alerts.first().message.contains(QStringLiteral("Launch at Login")));
        QVERIFY(!app.mLaunchAtLoginItem->isChecked());
        QVERIFY(!app.mLaunchAtLoginBox->isChecked());
    }

    void execLinesQuoteAwkwardPaths_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("plain") << QStringLiteral("/usr/bin/tarvexcc");
        QTest::newRow("space") << QStringLiteral("/home/a b/bin/tarvexcc");
        QTest::newRow("specials") << QStringLiteral("/opt/100%/\"q\"/$x/`y`/back\\slash/tarvexcc");
    }
    void execLinesQuoteAwkwardPaths()
    {
        QFETCH(QString, path);
        AutostartEntry entry(path);
        QVERIFY(entry.install());
        QVERIFY(entry.isInstalled());
        QVERIFY(!AutostartEntry(path + QStringLiteral("x")).isInstalled());
        QVERIFY(entry.uninstall());
        QVERIFY(!QFile::exists(entry.path()));
    }

    void helpReloadsIntoOneCopy()
    {
        ApplicationController app;
        app.showHelp(nullptr);
        QVERIFY(app.mHelpWindow->isVisible());
        const QString once = app.mTextview->toPlainText();
        QVERIFY(once.contains(QStringLiteral("Rotation")));
        QVERIFY(once.contains(QStringLiteral("install-udev-rule")));
        app.mTextview->append(QStringLiteral("scribble"));
        app.showHelp(nullptr);
        QCOMPARE(app.mTextview->toPlainText(), once);
        QCOMPARE(once.count(QStringLiteral("Access to the switches")), qsizetype(1));
    }

    void helpPrintsToPdf()
    {
        ApplicationController app;
        app.showHelp(nullptr);
        const QString pdf = mConfig->filePath(QStringLiteral("help.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        app.printHelpTo(&printer);
        const QByteArray bytes = read(pdf);
        QVERIFY(bytes.startsWith("%PDF"));
        QVERIFY(bytes.size() > 2000);
    }
};

int main(int argc, char **argv)
{
    TarvexCCApp app(argc, argv);
    LoginItemAndHelpTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "LoginItemAndHelpTest.moc"
