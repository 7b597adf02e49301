// The help window: loads the help document in the interface language afresh each time it is
// shown (so the view always holds one clean copy) and prints it. Made when the user first
// asks for help.
#pragma once

#include <QObject>
#include <QStringList>

#include <memory>

class QPrinter;
class QTextBrowser;
class QWidget;

namespace Ui {
class HelpWindow;
}

class HelpWindowController : public QObject
{
    Q_OBJECT
public:
    explicit HelpWindowController(QObject *parent = nullptr);
    ~HelpWindowController() override;

    QWidget *window() const { return mWindow.get(); }
    QTextBrowser *textView() const;

    // The help document for the first of `uiLanguages` (as QLocale names them, "de-DE") that
    // has one, else the English one.
    static QString helpDocumentPath(const QStringList &uiLanguages);

    void showHelp();
    // Asks for a printer in the print dialog, then prints.
    void printHelp();
    // Prints on a configured printer (the print dialog's second half).
    void printHelpTo(QPrinter *printer);

private:
    void loadHelp();

    std::unique_ptr<QWidget> mWindow;
    std::unique_ptr<Ui::HelpWindow> mUi;
};
