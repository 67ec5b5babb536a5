#pragma once

#include "gui/Shell.h"

class QWidget;

namespace orvida {

// "Salvare baza de date...": asks for a file and copies the database into it.
void saveDatabaseCopy(QWidget* parent, const Shell& shell);

// "Restaurare baza de date...": asks for a copy, checks it, asks for confirmation and replaces the
// database with it; the earlier database is kept beside it.
void restoreDatabaseCopy(QWidget* parent, const Shell& shell);

} // namespace orvida
