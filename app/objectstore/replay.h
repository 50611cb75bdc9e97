// Rebuilding the store in memory from the entries of its file, one entry kind at a time. No
// windows.h: the open's whole path builds natively for fuzzing.
#pragma once
#include "objectstore/log_reader.h"
#include "objectstore/model.h"

// Whether a replayed record keeps its properties where the entry lies (the caller keeps those
// bytes for the model's lifetime: the mapped store) or a copy of its own.
enum class PropertyBytes { Copy, Borrow };

// Applies one entry read from the file. False when the entry contradicts what came before: the
// file is damaged in a way no crash explains.
bool ReplayEntry(StoreModel &model, StoreScanEntry &scanned, PropertyBytes bytes = PropertyBytes::Copy);
// Reads a store file's bytes into model as an open does: decoded without unpacking, each record
// borrowing its properties where they lie (the bytes must outlive the model), damage anywhere
// making the file Damaged. With checkApart a second thread checks the CRCs while this one replays
// by the framing; where that check ends elsewhere (damage, a torn end) the model is made again
// from entries checked one by one. Leaves the indexes to FinishReplay.
StoreReadResult ReplayStoreFile(const char *bytes, size_t size, StoreModel &model, bool checkApart);
// Once every entry is applied: sorts the indexes (modified: every database's time of last
// change, as a FILETIME) and counts the live bytes.
void FinishReplay(StoreModel &model, uint64_t modified);
