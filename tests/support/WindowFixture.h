#pragma once

#include "gui/Pictures.h"
#include "gui/Shell.h"
#include "store/Database.h"
#include "support/ScriptedPrompts.h"
#include "support/TestFolder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QPointer>
#include <QStyleOptionButton>
#include <QTest>

#include <gtest/gtest.h>

namespace orvida::test {

// A temporary program folder at a fixed time, with prompts the test answers.
struct WindowFixture
{
    explicit WindowFixture(bool withDatabase = true)
        : folder(withDatabase)
    { }

    TestFolder folder;
    FixedClock clock { fixedNow() };
    ScriptedPrompts prompts;
    Pictures pictures;
    Shell shell { folder.folder(), clock, prompts, pictures };

    template<typename W> W* child(QWidget* window, const char* name) const
    {
        W* w = window->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    // A single value of the folder's database, as text.
    QString scalar(const QString& sql) const
    {
        auto rs = store::query(folder.folder(), sql);
        EXPECT_TRUE(rs.ok()) << sql.toStdString();
        return rs && !rs->isEmpty() ? rs->rows[0][0].toText() : QString();
    }
};

// A click where the user would click: on a check box's indicator, on a button's middle.
inline void click(QAbstractButton* button)
{
    QPoint at = button->rect().center();
    if (auto* box = qobject_cast<QCheckBox*>(button)) {
        QStyleOptionButton option;
        option.initFrom(box);
        at = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box).center();
    }
    QTest::mouseClick(button, Qt::LeftButton, {}, at);
}

// Lets windows that closed themselves be deleted.
inline void processDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

} // namespace orvida::test
