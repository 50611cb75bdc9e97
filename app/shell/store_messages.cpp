#include "shell/store_messages.h"
#include "objectstore/object_store.h"

namespace {

const WCHAR kChangedOutsideText[] = L"Der Speicher wurde außerhalb von Zifferbox geändert. Zifferbox speichert nichts "
                                    L"mehr; bitte beenden Sie Zifferbox und starten Sie es neu.";
const WCHAR kDiskFullText[] = L"Der Datenträger ist voll. Zifferbox zeigt Ihre Objekte, kann aber erst wieder "
                              L"speichern, wenn Platz frei ist.";

void ShowStoreError(HWND owner, const WCHAR *text)
{
    MessageBoxW(owner, text, L"Zifferbox", MB_ICONSTOP | MB_OKCANCEL);
}

}  // namespace

void ShowRefusedChange(HWND owner, const WCHAR *text)
{
    if (!ShowIfChangedOutside(owner))
        ShowStoreError(owner, text);
}

bool ShowIfChangedOutside(HWND owner)
{
    if (QueryStoreCondition() != StoreCondition::ChangedOutside)
        return false;
    ShowStoreError(owner, kChangedOutsideText);
    return true;
}

void ShowStoreConditionAtStart()
{
    if (QueryStoreCondition() == StoreCondition::OpenedWithoutRoom)
        ShowStoreError(nullptr, kDiskFullText);
}
