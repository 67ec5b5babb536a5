#pragma once

class QAbstractButton;
class QDateTimeEdit;
class QLineEdit;
class QWidget;

namespace orvida {

// The keys of a work window, as on the desktops our users come from: Enter presses `accept`, or
// the button that has the focus; Esc presses `exit`. Either button may be null.
void installWindowKeys(QWidget* window, QAbstractButton* accept, QAbstractButton* exit);

// The first click into a date picker since it took the focus selects its day, so that typing a
// date replaces it from its start wherever the click landed.
void selectDayOnClick(QDateTimeEdit* picker);

// F4 or Alt+Down opens the calendar of a date picker that has one, so it is reached without the
// mouse; Enter takes the day chosen there and Esc closes it.
void openCalendarOnKey(QDateTimeEdit* picker);

// A box that starts with a placeholder the user types over: the first click into it since it took
// the focus selects its whole text, as Tab already does.
void selectAllOnClick(QLineEdit* box);

} // namespace orvida
