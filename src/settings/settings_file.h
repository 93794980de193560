#pragma once

#include "admin_addresses.h"

#include <QString>

// The settings file keeps the four administration addresses (login,
// collection, generation, home page) as a record of four lines in GB2312
// text. Every save appends a new record and never rewrites the file, so the
// current addresses are the last complete record in it.
namespace SettingsFile {

// "123.txt", a bare name: it is looked up in the process's current directory.
QString defaultPath();

// Appends one record: each address followed by CR LF, encoded as
// GB18030 (the same bytes as GB2312/GBK for their characters). Creates the
// file if it is missing. The bytes already in the file never change; where
// they do not end in whole records, line ends are added first so that the new
// record starts on a record boundary. Returns an empty text on success,
// otherwise a reason in Chinese the caller can show; nothing is written then.
QString appendRecord(const QString &path, const AdminAddresses &addresses);

// The addresses of the last complete four-line record, counting records from
// the start of each run of non-empty lines; lines after it (a record whose
// save was cut short) are ignored. A file of fewer than four
// lines gives the addresses it has, the others empty; a missing or
// unreadable file none at all. CR LF, LF and a lone CR each end a line;
// nothing is trimmed.
AdminAddresses loadLastRecord(const QString &path);

}
