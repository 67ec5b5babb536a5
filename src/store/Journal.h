#pragma once

#include "store/Schema.h"

namespace orvida::store {

// The two journals a company keeps: purchases (zet_jct_UE) and sales (zet_jvt_UE).
enum class Journal { Purchases, Sales };

inline QString journalTable(Journal journal)
{
    return journal == Journal::Purchases ? schema::PurchaseJournal : schema::SalesJournal;
}

} // namespace orvida::store
