#pragma once
// Whole store files in the storage folder: whether a store of a name is there already, and
// the making of a new store's file in one write.
#include "platform/AnsiString.h"
#include "store/StoreFiles.h"

namespace qm {

// The name (as spelled on disk, without ".store") of the entry of the storage folder that is
// the store file of name: the exact spelling when it is there, else an entry whose name differs
// only in the letters a-z versus A-Z, since the picker and the store lookups tell stores apart
// without regard to case. Any kind of entry counts, a folder too. Empty when there is none, or
// when the name could not be a store file's name (CheckStoreName).
// storesFolder is the file system's bytes.
AnsiString ExistingStoreName(const std::string& storesFolder, const AnsiString& name);

// Writes the batch, of AddSection and Write steps only (anything else raises
// EInvalidOperation), as the whole content of a new store's file, in one atomic write (the
// sections and keys end as ApplyStoreBatch leaves them; nothing is carried over, since a new
// store has no items). Answers false and writes nothing when a store of that name exists
// (ExistingStoreName) by the time the file's lock is held, so two program windows never make
// the same store twice or merge into each other's. File-system failures raise EInOutError,
// with nothing written; so does a section name the file could not hold (EStoreError). An
// empty batch writes nothing.
bool CreateStoreFile(const StoreContext& ctx, const AnsiString& store, const StoreBatch& batch);

// Renames the store file oldName to newName in the folder, never over another file (a file
// that appeared under the new name meanwhile stays as it is). A new name that differs only in
// letter case renames the file too. Raises EInOutError naming both stores and the system's
// reason when the file system refuses (the old file gone, the new name taken or not allowed).
void RenameStoreFile(const std::string& storesFolder, const AnsiString& oldName, const AnsiString& newName);

} // namespace qm
