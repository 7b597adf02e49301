// Message boxes: what a server or a switch says is shown as plain text (markup in a version
// line must not restyle the question or hide its warning), and a box open when the program is
// told to end is answered through the log presenter instead of waiting for someone.
#include "AlertPresenter.h"

#include <QApplication>
#include <QMessageBox>
#include <QtTest>

class AlertPresenterTest : public QObject
{
    Q_OBJECT

    struct Recorder : AlertPresenter {
        QStringList heard;
        int runAlert(const QString &, const QString &message, const QString &, const QString &alternate) override
        {
            heard << message;
            return alternate.isEmpty() ? 1 : 0;
        }
    };

private slots:
    void outsideTextStaysPlainAndAnOpenBoxIsAnsweredOnTheWayOut()
    {
        const QString question = QStringLiteral("Firmware <h1 style='color:red'>9.9</h1><img src='/usr/share/pixmaps/x.png'>"
                                                "<span style='font-size:1px'> is available. Do not unplug the switch.");
        Recorder log;
        Qt::TextFormat format = Qt::AutoText;
        QTimer::singleShot(0, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                format = box->textFormat();
            AlertPresenter::answerOpenAlerts(log);
        });
        MessageBoxAlertPresenter boxes;
        QCOMPARE(boxes.runAlert(QStringLiteral("Tarvex CC"), question, QStringLiteral("Yes"), QStringLiteral("No")), 0);
        QCOMPARE(format, Qt::PlainText);
        QCOMPARE(log.heard, QStringList{question});
    }
};

QTEST_MAIN(AlertPresenterTest)
#include "AlertPresenterTest.moc"
