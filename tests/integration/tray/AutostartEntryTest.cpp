// The login entry under the application id and under the name earlier versions used: either
// counts, ours is replaced and never duplicated, another program's entry is never touched.
#include "AutostartEntry.h"
#include "TarvexCCApp.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class AutostartEntryTest : public QObject
{
    Q_OBJECT

    const QString mProgram = QStringLiteral("/opt/tarvex cc/tarvexcc");

    static void write(const QString &path, const QString &program)
    {
        QFile file(path);
        if (!program.isEmpty() && file.open(QIODevice::WriteOnly))
            file.write(("[Desktop Entry]\nExec=" + AutostartEntry::quoteExecArgument(program) + "\n").toUtf8());
    }

private slots:
    void entriesUnderBothNames_data()
    {
        QTest::addColumn<QString>("legacy"); // the program the old-named file starts ("": none)
        QTest::addColumn<QString>("current");
        QTest::addColumn<bool>("install");
        QTest::addColumn<bool>("installedBefore");
        QTest::addColumn<bool>("legacyAfter");
        QTest::addColumn<bool>("currentAfter");
        const QString ours = mProgram, other = QStringLiteral("/usr/bin/other");
        QTest::newRow("old name moves") << ours << QString() << true << true << false << true;
        QTest::newRow("other's old name stays") << other << QString() << true << false << true << true;
        QTest::newRow("uninstall takes both") << ours << ours << false << true << false << false;
        QTest::newRow("other's entries stay") << other << other << false << false << true << true;
    }
    void entriesUnderBothNames()
    {
        QFETCH(QString, legacy);
        QFETCH(QString, current);
        QFETCH(bool, install);
        QFETCH(bool, installedBefore);
        QFETCH(bool, legacyAfter);
        QFETCH(bool, currentAfter);
        QTemporaryDir home;
        qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
        QVERIFY(QDir(home.path()).mkpath(QStringLiteral("autostart")));
        AutostartEntry entry(mProgram);
        QCOMPARE(entry.path(), home.filePath(QStringLiteral("autostart/cc.tarvex.TarvexCC.desktop")));
        write(AutostartEntry::legacyPath(), legacy);
        write(entry.path(), current);
        QCOMPARE(entry.isInstalled(), installedBefore);
        QVERIFY(install ? entry.install() : entry.uninstall());
        QCOMPARE(QFile::exists(AutostartEntry::legacyPath()), legacyAfter);
        QCOMPARE(QFile::exists(entry.path()), currentAfter);
        QCOMPARE(entry.isInstalled(), install);
        if (install) {
            QFile file(entry.path());
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray text = file.readAll();
            for (const char *key : {"X-GNOME-Autostart-Delay=2\n", "X-KDE-autostart-after=panel\n",
                                    "X-LXQt-Need-Tray=true\n", "Exec=\"/opt/tarvex cc/tarvexcc\"\n"})
                QVERIFY2(text.contains(key), key);
        }
    }
};

int main(int argc, char **argv)
{
    TarvexCCApp app(argc, argv);
    AutostartEntryTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "AutostartEntryTest.moc"
