// Rebuilding the store in memory from the entries of its file, one entry kind at a time.
#pragma once
#include "platform/store_log_reader.h"
#include "platform/store_model.h"

// Applies one entry read from the file (its properties are moved out). False when the entry
// contradicts what came before: the file is damaged in a way no crash explains.
bool ReplayEntry(StoreModel &model, StoreScanEntry &scanned);
// Once every entry is applied: sorts the indexes and counts the live bytes.
void FinishReplay(StoreModel &model, const FILETIME &modified);
