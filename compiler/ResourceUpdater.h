// The resource store appended to an e-book: numbered byte items under numbered types, written
// after the last byte of an existing file and closed by a six-byte trailer (u32 store base,
// u16 0x474B) through which a reader finds it from the end of the file.
//
// Public interface (the store code may add private members and helper classes):
//
//   CResourceUpdater updater;
//   updater.Open(path, false);            // reads an existing store, or starts one at the end
//   updater.Update(349, 1, data, size);   // adds or replaces; size 0 removes
//   updater.Commit();                     // writes store + trailer at the base, cuts the file
//   updater.Close();                      // or destruction
//
// Open throws CFileException (cannot open, file shorter than 6 bytes: badSeek) and
// CArchiveException (a store that does not decode). Commit throws CFileException.
#pragma once
