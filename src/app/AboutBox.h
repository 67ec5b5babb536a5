#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace orvida {

// "Informatii": the program's name, description, version and the database's journal on the
// program's picture.
class AboutBox : public QDialog
{
    Q_OBJECT

public:
    // `journal` says which journal the database uses (store::journalDescription); empty: no line.
    explicit AboutBox(const QString& journal = {}, QWidget* parent = nullptr);

    // "Versiune " + major.minor.revision, each part without leading zeros.
    static QString versionText(const QString& version);

    QLabel* lblVersion() const { return m_version; }
    QPushButton* cmdOK() const { return m_ok; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* m_version = nullptr;
    QPushButton* m_ok = nullptr;
};

} // namespace orvida
