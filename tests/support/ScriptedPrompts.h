#pragma once

#include "gui/Prompts.h"

#include <QByteArray>
#include <QList>
#include <QQueue>
#include <QStringList>

namespace orvida::test {

// Prompts answered by the test: each message box takes the next scripted answer (or, with none
// left, the button that has the initial focus, as Enter would; a scripted Help presses the help
// button first, then the box answers as with none), each file dialog the next scripted
// file name (or none: cancelled), and a print preview paints its pages into a PDF kept in memory.
// Everything shown is recorded in order.
class ScriptedPrompts : public Prompts
{
public:
    struct Shown
    {
        BoxKind box = BoxKind::Own;
        QString text;
        QString title; // as the box shows it: an empty title is already the product name
        QStringList captions; // the box's buttons, left to right
        int style = 0; // the program's own box
        Icon icon = Icon::None; // the standard box
        int answer = 0;
    };

    void setNextAnswer(int result) { m_answers.enqueue(result); }
    void setNextFileName(const QString& path) { m_fileNames.enqueue(path); } // a file or a folder

    const QList<Shown>& shown() const { return m_shown; }
    QStringList texts() const;
    const QStringList& fileDialogs() const { return m_fileDialogs; } // the captions, in order
    const QStringList& fileDialogFolders() const { return m_fileDialogFolders; } // where each opened
    int previews() const { return m_previews; }
    const QByteArray& lastPreviewPdf() const { return m_lastPdf; }

    int messageBoxExt(QWidget* parent, const msgbox::Request& request) override;
    void standardBox(QWidget* parent, const QString& text, const QString& title, Icon icon) override;
    QString
    openFileName(QWidget* parent, const QString& caption, const QString& folder, const QString& filter) override;
    QString
    saveFileName(QWidget* parent, const QString& caption, const QString& suggested, const QString& filter) override;
    void
    printPreview(QWidget* parent, const QString& title, const std::function<void(QPagedPaintDevice&)>& paint) override;
    QString existingFolder(QWidget* parent, const QString& caption, const QString& folder) override;
    void printPreviewSavingAs(QWidget* parent,
                              const QString& title,
                              const std::function<void(QPagedPaintDevice&)>& paint,
                              const QString& suggestedPdf) override
    {
        m_suggestedPdf = suggestedPdf;
        printPreview(parent, title, paint);
    }
    const QString& suggestedPdf() const { return m_suggestedPdf; }
    bool openLocation(const QString& path) override
    {
        m_opened.append(path);
        return !m_openFails;
    }
    // The desktop has no program that opens files or folders.
    void setOpenFails(bool fails) { m_openFails = fails; }
    const QStringList& opened() const { return m_opened; }

private:
    QQueue<int> m_answers;
    QQueue<QString> m_fileNames;
    QList<Shown> m_shown;
    QStringList m_fileDialogs;
    QStringList m_opened;
    QStringList m_fileDialogFolders;
    QString m_suggestedPdf;
    int m_previews = 0;
    bool m_openFails = false;
    QByteArray m_lastPdf;
};

} // namespace orvida::test
