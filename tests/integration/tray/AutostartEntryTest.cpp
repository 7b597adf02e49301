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

private slots:
    void entriesUnderBothNames_data()
    {
        // The program each file starts ("": no file), then: install or uninstall, installed
        // before, and which files are there after.
        QTest::addColumn<QString>("legacy");
        QTest::addColumn<QString>("current");
        QTest::addColumn<bool>("install");
        QTest::addColumn<QList<bool>>("expected"); // installed before, legacy after, current after
        const QString ours = QStringLiteral("/opt/tarvex cc/tarvexcc"), other = QStringLiteral("/usr/bin/other");
        QTest::newRow("old name moves") << ours << QString() << true << QList<bool>{true, false, true};
        QTest::newRow("other's old name stays") << other << QString() << true << QList<bool>{false, true, true};
        QTest::newRow("uninstall takes both") << ours << ours << false << QList<bool>{true, false, false};
        QTest::newRow("other's entries stay") << other << other << false << QList<bool>{false, true, true};
    }
    void entriesUnderBothNames()
    {
        QFETCH(QString, legacy);
        QFETCH(QString, current);
        QFETCH(bool, install);
        QFETCH(QList<bool>, expected);
        QTemporaryDir home;
        qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
        QVERIFY(QDir(home.path()).mkpath(QStringLiteral("autostart")));
        AutostartEntry entry(QStringLiteral("/opt/tarvex cc/tarvexcc"));
        QCOMPARE(entry.path(), home.filePath(QStringLiteral("autostart/cc.tarvex.TarvexCC.desktop")));
        for (const auto &[path, program] : {std::pair(AutostartEntry::legacyPath(), legacy), std::pair(entry.path(), current)}) {
            QFile file(path);
            if (!program.isEmpty() && file.open(QIODevice::WriteOnly))
                file.write(("[Desktop Entry]\nExec=" + AutostartEntry::quoteExecArgument(program) + "\n").toUtf8());
        }
        QCOMPARE(entry.isInstalled(), expected[0]);
        QVERIFY(install ? entry.install() : entry.uninstall());
        QCOMPARE(QList<bool>({QFile::exists(AutostartEntry::legacyPath()), QFile::exists(entry.path())}), expected.mid(1));
        QCOMPARE(entry.isInstalled(), install);
        QFile file(entry.path());
        const QByteArray text = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        for (const char *line : {"X-GNOME-Autostart-Delay=2\n", "X-KDE-autostart-after=panel\n",
                                 "X-LXQt-Need-Tray=true\n", "Exec=\"/opt/tarvex cc/tarvexcc\"\n"})
            QVERIFY2(!install || text.contains(line), line);
    }
};

int main(int argc, char **argv)
{
    TarvexCCApp app(argc, argv);
    AutostartEntryTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "AutostartEntryTest.moc"
