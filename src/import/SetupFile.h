#pragma once

#include <QString>

namespace vxr {

class FieldTable;
struct ImportSetup;

// Settings files (".imp"): the set-up of an import in two sections,
// "Settings" and "FieldMappings", which the wizard's Load and Save and
// vxrimp's --settings and --save-settings read and write alike.

// Reads a settings file into *setup: its options, table, text file, encoding,
// regional settings and mapping (not the connection, which is never read).
// A missing key leaves the value a file without it always meant: boxes
// cleared, the first list entry, no file name, no mapping, automatic
// encoding, the system's regional settings, apostrophes removed (files
// without that key come from before it existed), no strict values, texts
// cut to fit (RejectCut=No) and the
// delimiter of the FieldDelimiter entry. A
// present but unusable value (a "yes" for Yes, an index outside its list or
// beyond any number, a field that is not the table's, an unknown encoding or
// locale) refuses the file: false, *setup unchanged, *error naming the key.
// A relative FileName is taken relative to the settings file's folder.
bool readSetupFile(const QString &path, const FieldTable &fields, ImportSetup *setup, QString *error);

// The connection string a settings file names, without its password (a
// password a file holds is never used); empty when it names none or cannot
// be read.
QString readSetupConnection(const QString &path);

// Writes the set-up: every key, in a fixed order, the connection string
// without its password; in an existing file each key is replaced where it
// stands and other lines are kept. FileName is written relative to the
// settings file's folder when the text file lies in or below it. False with
// *error when the set-up cannot be stored (a delimiter that cannot separate
// fields, a table without an entry in its list) or the file cannot be
// written. A delimiter without an entry in the list, and auto, go into
// FieldDelimiterChar; FieldDelimiter keeps an entry of the list.
bool writeSetupFile(const QString &path, const ImportSetup &setup, const FieldTable &fields, QString *error);

// Whether two set-ups make the same settings file, the connection aside:
// the same options, delimiter, table, text file, encoding, regional settings
// and mapping.
bool sameSettings(const ImportSetup &a, const ImportSetup &b);

} // namespace vxr
