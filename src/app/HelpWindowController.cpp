// The help window; see HelpWindowController.h.
#include "HelpWindowController.h"

#include "ResourceImages.h"
#include "Translation.h"
#include "WindowPlacement.h"

#include "ui_HelpWindow.h"

#include <QFile>
#include <QLocale>
#include <QPrintDialog>
#include <QPrinter>

HelpWindowController::HelpWindowController(QObject *parent)
    : QObject(parent), mWindow(std::make_unique<QWidget>(nullptr, Qt::Window)),
      mUi(std::make_unique<Ui::HelpWindow>())
{
    mUi->setupUi(mWindow.get());
    mWindow->setWindowIcon(resourceIcon(QStringLiteral("Status")));
    mUi->mTextview->document()->setDocumentMargin(16);
    connect(mUi->mPrintBtn, &QPushButton::clicked, this, &HelpWindowController::printHelp);
    connect(mUi->mCloseBtn, &QPushButton::clicked, mWindow.get(), &QWidget::close);
}

HelpWindowController::~HelpWindowController() = default;

QTextBrowser *HelpWindowController::textView() const
{
    return mUi->mTextview;
}

QString HelpWindowController::helpDocumentPath(const QStringList &uiLanguages)
{
    // The same walk as the interface's translation: the first language, in the user's order
    // of preference, that has a document wins, so the help speaks the menu's language.
    for (const QString &language : uiLanguages) {
        QString name = language;
        name.replace(QLatin1Char('-'), QLatin1Char('_'));
        for (;;) {
            const QString path = QStringLiteral(":/help/Help_%1.html").arg(name);
            if (QFile::exists(path))
                return path;
            const qsizetype cut = name.lastIndexOf(QLatin1Char('_'));
            if (cut <= 0)
                break;
            name.truncate(cut);
        }
    }
    return QStringLiteral(":/help/Help.html");
}

void HelpWindowController::loadHelp()
{
    QFile file(helpDocumentPath(QLocale().uiLanguages()));
    mUi->mTextview->document()->setBaseUrl(QUrl(QStringLiteral("qrc:/help/")));
    if (file.open(QIODevice::ReadOnly))
        mUi->mTextview->setHtml(QString::fromUtf8(file.readAll()));
    else
        mUi->mTextview->setPlainText(tx("The help document is missing from this installation."));
}

void HelpWindowController::showHelp()
{
    loadHelp();
    centerAndShow(mWindow.get());
}

void HelpWindowController::printHelp()
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, mWindow.get());
    dialog.setWindowTitle(tx("Print Help"));
    if (dialog.exec() == QDialog::Accepted)
        printHelpTo(&printer);
}

void HelpWindowController::printHelpTo(QPrinter *printer)
{
    if (mUi->mTextview->document()->isEmpty())
        loadHelp();
    mUi->mTextview->print(printer);
}
