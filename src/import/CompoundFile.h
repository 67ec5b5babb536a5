#pragma once

#include <QByteArray>

#include <optional>

namespace orvida::import {

// The workbook stream ("Workbook", or "Book" before BIFF8) of a compound file; nullopt when the
// file is not one or is damaged.
std::optional<QByteArray> xlsWorkbookStream(const QByteArray& file);

// A clean compound file (4096-byte sectors) holding `workbookStream` as its one stream
// "Workbook", padded to at least 4096 bytes so it lives in regular sectors. FreeXL is handed this
// instead of the user's file: its reading of a damaged container is not to be trusted.
QByteArray cleanCompoundFile(const QByteArray& workbookStream);

// True for a compound file that holds an "EncryptedPackage" stream: an .xlsx that Excel saved
// with a password to open.
bool isEncryptedPackage(const QByteArray& file);

} // namespace orvida::import
