#include "shell/clipboard_exchange.h"
#include <commctrl.h>
#include "resources/resource.h"
#include "shell/application.h"
#include "shell/clipboard_format.h"
#include "shell/field_text.h"
#include "shell/main_window.h"
#include "shell/store_messages.h"
#include "store/category_database.h"
#include "store/category_filter.h"
#include "store/object_database.h"
#include <cwchar>
#include <initializer_list>

namespace {

const WCHAR kCopyFailedText[] =
    L"Das Objekt konnte nicht in die Zwischenablage kopiert werden. Versuchen Sie es später nochmals.";
const WCHAR kWriteFailedText[] = L"Das Objekt konnte nicht gespeichert werden.";

// Open for the lifetime of one operation; closed on every path before a message is shown.
class ClipboardSession {
public:
    ClipboardSession() : open_(OpenClipboard(nullptr) != FALSE) {}
    ~ClipboardSession() { Close(); }
    ClipboardSession(const ClipboardSession &) = delete;
    ClipboardSession &operator=(const ClipboardSession &) = delete;
    bool IsOpen() const { return open_; }
    void Close()
    {
        if (open_)
            CloseClipboard();
        open_ = false;
    }

private:
    bool open_;
};

// Every control that shows a stored text is read with room for 254 characters: a longer
// pasted field would come back cut and no longer match what was stored.
void LimitToStoredLength(WCHAR *field)
{
    field[kFieldCapacity - 2] = L'\0';
}

void SetPasteState(bool enabled)
{
    EnableMenuItem(menuHandle, IDM_PASTE, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    SendMessageW(buttonBar, TB_ENABLEBUTTON, IDM_PASTE, enabled ? 1 : 0);
}

// Hands the object's text to the open clipboard; false when the clipboard did not take it.
bool PutObjectText(const WCHAR *name, const WCHAR *serialNumber, const WCHAR *remark, const WCHAR *category)
{
    const size_t length = ClipboardTextLength(name, serialNumber, remark, category);
    // The desktop clipboard takes a movable global block; once accepted it belongs to the clipboard.
    // The block is larger than the text; zeroed, so that no program reading all of it (Wine hands
    // the whole block to X) gets stray bytes after the terminator.
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, length * sizeof(WCHAR));
    if (!block)
        return false;
    WCHAR *text = static_cast<WCHAR *>(GlobalLock(block));
    if (!text) {
        GlobalFree(block);
        return false;
    }
    BuildClipboardText(text, name, serialNumber, remark, category);
    GlobalUnlock(block);
    if (!SetClipboardData(CF_UNICODETEXT, block)) {
        GlobalFree(block);
        return false;
    }
    lastClipboardBlock = block;
    return true;
}

}  // namespace

bool CopyObject(HWND owner)
{
    bool copied = false;
    {
        ClipboardSession clipboard;
        if (clipboard.IsOpen() && EmptyClipboard()) {
            WCHAR name[kFieldCapacity], serialNumber[kFieldCapacity], remark[kFieldCapacity], category[kFieldCapacity];
            GetFieldText(nameLabel, name);
            GetFieldText(serialLabel, serialNumber);
            GetFieldText(remarkLabel, remark);
            GetFieldText(categoryLabel, category);
            copied = PutObjectText(name, serialNumber, remark, category);
        }
    }
    if (!copied)
        MessageBoxW(owner, kCopyFailedText, L"Zifferbox", MB_ICONSTOP | MB_OKCANCEL);
    RefreshPasteState();
    return copied;
}

bool ReadClipboardObject(WCHAR *name, WCHAR *serialNumber, WCHAR *remark, WCHAR *category)
{
    name[0] = serialNumber[0] = remark[0] = category[0] = L'\0';
    {
        ClipboardSession clipboard;
        HANDLE data = clipboard.IsOpen() ? GetClipboardData(CF_UNICODETEXT) : nullptr;
        const WCHAR *text = data ? static_cast<const WCHAR *>(GlobalLock(data)) : nullptr;
        if (text) {
            // Never read past the block, whether or not the other program terminated its text.
            const WCHAR *end = text + GlobalSize(data) / sizeof(WCHAR);
            const WCHAR *position = ParseClipboardField(name, text, end);
            position = ParseClipboardField(serialNumber, position, end);
            position = ParseClipboardField(remark, position, end);
            ParseClipboardField(category, position, end);
            GlobalUnlock(data);
        }
    }
    const bool pasteable = name[0] != L'\0' && serialNumber[0] != L'\0';
    SetPasteState(pasteable);
    return pasteable;
}

void RefreshPasteState()
{
    WCHAR name[kFieldCapacity], serialNumber[kFieldCapacity], remark[kFieldCapacity], category[kFieldCapacity];
    ReadClipboardObject(name, serialNumber, remark, category);
}

bool PasteObject()
{
    WCHAR name[kFieldCapacity], serialNumber[kFieldCapacity], remark[kFieldCapacity], category[kFieldCapacity];
    if (!ReadClipboardObject(name, serialNumber, remark, category))
        return false;
    for (WCHAR *field : {name, serialNumber, remark, category})
        LimitToStoredLength(field);
    if (IsReservedFilterText(category))
        category[0] = L'\0';
    if (category[0] != L'\0' && categoryDatabase.findCategory(category) == 0)
        categoryDatabase.addCategory(category);
    if (objectDatabase.writeNewObject(name, serialNumber, remark, category) == 0) {
        // Nothing was stored: say so rather than refresh as if it had been.
        ShowRefusedChange(mainWindow, kWriteFailedText);
        return false;
    }
    RefillObjectList(objectDatabase.indexOfCurrentObject());
    return true;
}
