#pragma once

#include "base/Message.h"
#include "base/MessageBoxLayout.h"

#include <QString>

#include <functional>

class QPagedPaintDevice;
class QWidget;

namespace orvida {

class Pictures;

// Every modal prompt a window shows goes through this seam: message boxes, the file-open dialog
// and the print preview. The desktop program passes DialogPrompts; tests pass a scripted one, so
// no modal loop waits for a user that is not there.
class Prompts
{
public:
    virtual ~Prompts() = default;

    // The program's own box; returns the result code of the button pressed.
    virtual int messageBoxExt(QWidget* parent, const msgbox::Request& request) = 0;

    // The platform's standard box, OK only, with the title (empty: the product name) and icon.
    virtual void standardBox(QWidget* parent, const QString& text, const QString& title, Icon icon) = 0;

    // The file-open dialog; an empty text when it was cancelled.
    virtual QString openFileName(QWidget* parent, const QString& caption, const QString& folder, const QString& filter)
        = 0;

    // The file-save dialog (it asks before replacing a file); an empty text when it was cancelled,
    // which is also the answer of a prompt seam that has no such dialog.
    virtual QString
    saveFileName(QWidget* parent, const QString& caption, const QString& suggested, const QString& filter)
    {
        Q_UNUSED(parent);
        Q_UNUSED(caption);
        Q_UNUSED(suggested);
        Q_UNUSED(filter);
        return {};
    }

    // A print preview of the pages `paint` draws on the device it is given, from which the user
    // prints them or saves them as PDF. It does not wait: the caller goes on while it is open, so
    // `paint` is copied and must not refer to anything that may be gone by then.
    virtual void
    printPreview(QWidget* parent, const QString& title, const std::function<void(QPagedPaintDevice&)>& paint)
        = 0;

    // The folder dialog, starting at `folder`; an empty text when it was cancelled.
    virtual QString existingFolder(QWidget* parent, const QString& caption, const QString& folder) = 0;
    // The same, with the file its "Salvare PDF" proposes; without it, the title in the current folder.
    virtual void printPreviewSavingAs(QWidget* parent,
                                      const QString& title,
                                      const std::function<void(QPagedPaintDevice&)>& paint,
                                      const QString& suggestedPdf)
    {
        Q_UNUSED(suggestedPdf);
        printPreview(parent, title, paint);
    }

    // Opens a file or folder with the desktop's own program for it; false when none took it.
    virtual bool openLocation(const QString& path) = 0;
};

// The real dialogs, modal on the user-interface thread.
class DialogPrompts : public Prompts
{
public:
    explicit DialogPrompts(const Pictures& pictures)
        : m_pictures(pictures)
    { }

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
                              const QString& suggestedPdf) override;
    bool openLocation(const QString& path) override;

private:
    const Pictures& m_pictures;
};

} // namespace orvida
