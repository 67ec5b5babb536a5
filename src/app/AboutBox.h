#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace orvida {

// "Informatii": the program's name, description and version on the program's picture, the
// program folder in use and the database's journal.
class AboutBox : public QDialog
{
    Q_OBJECT

public:
    // `journal` says which journal the database uses (store::journalDescription); empty: no line.
    explicit AboutBox(const QString& programFolder = QString(),
                      const QString& journal = QString(),
                      QWidget* parent = nullptr);

    // "Versiune " + major.minor.revision, each part without leading zeros.
    static QString versionText(const QString& version);

    QLabel* lblVersion() const { return m_version; }
    QLabel* lblFolder() const { return m_folder; }
    QPushButton* cmdOK() const { return m_ok; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* m_version = nullptr;
    QLabel* m_folder = nullptr;
    QPushButton* m_ok = nullptr;
};

} // namespace orvida
