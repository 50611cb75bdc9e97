// Rebuilding the store in memory from the entries of its file, one entry kind at a time.
#pragma once
#include "objectstore/log_reader.h"
#include "objectstore/model.h"

// Whether a replayed record keeps its properties where the entry lies (the caller keeps those
// bytes for the model's lifetime: the mapped store) or a copy of its own.
enum class PropertyBytes { Copy, Borrow };

// Applies one entry read from the file. False when the entry contradicts what came before: the
// file is damaged in a way no crash explains.
bool ReplayEntry(StoreModel &model, StoreScanEntry &scanned, PropertyBytes bytes = PropertyBytes::Copy);
// Once every entry is applied: sorts the indexes and counts the live bytes.
void FinishReplay(StoreModel &model, const FILETIME &modified);
