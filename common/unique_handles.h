// Owners of Win32 handles, so that no path leaks one. Header only: setup and the tools use it
// without the application's library, and it compiles with and without UNICODE.
#pragma once
#include <windows.h>

// Owns one handle of the kind Traits describes; moves, never copies.
template <typename Traits>
class UniqueResource {
public:
    using Handle = typename Traits::Handle;

    UniqueResource() = default;
    explicit UniqueResource(Handle handle) : handle_(handle) {}
    ~UniqueResource() { reset(); }
    UniqueResource(UniqueResource &&other) noexcept : handle_(other.release()) {}
    UniqueResource &operator=(UniqueResource &&other) noexcept
    {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueResource(const UniqueResource &) = delete;
    UniqueResource &operator=(const UniqueResource &) = delete;

    Handle get() const { return handle_; }
    bool valid() const { return Traits::Valid(handle_); }
    explicit operator bool() const { return valid(); }
    Handle release()
    {
        const Handle handle = handle_;
        handle_ = Traits::None();
        return handle;
    }
    void reset(Handle handle = Traits::None())
    {
        if (valid()) Traits::Close(handle_);
        handle_ = handle;
    }
    // For a call that hands the handle back through a pointer (RegOpenKeyEx and the like).
    Handle *receive()
    {
        reset();
        return &handle_;
    }

private:
    Handle handle_ = Traits::None();
};

// Kernel handles: files, processes, threads, events, snapshots. CreateFile fails with
// INVALID_HANDLE_VALUE and most others with null, so both mean none.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle None() { return nullptr; }
    static bool Valid(Handle handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) { CloseHandle(handle); }
};
using UniqueHandle = UniqueResource<KernelHandleTraits>;
using UniqueFile = UniqueHandle;

// Kinds whose "none" is null and that one call closes.
template <typename Kind, auto closeFunction>
struct NullIsNoneTraits {
    using Handle = Kind;
    static Handle None() { return nullptr; }
    static bool Valid(Handle handle) { return handle != nullptr; }
    static void Close(Handle handle) { closeFunction(handle); }
};

using UniqueKey = UniqueResource<NullIsNoneTraits<HKEY, RegCloseKey>>;
// Fonts, brushes, pens and bitmaps that the program created itself (not stock objects).
template <typename Object>
using UniqueGdiObject = UniqueResource<NullIsNoneTraits<Object, DeleteObject>>;
using UniqueFont = UniqueGdiObject<HFONT>;
// A block of the local heap, typed as what it holds (CommandLineToArgvW's table, for one).
template <typename Pointer>
using UniqueLocalBlock = UniqueResource<NullIsNoneTraits<Pointer, LocalFree>>;

// A search of FindFirstFile, which fails with INVALID_HANDLE_VALUE.
struct FileSearchTraits {
    using Handle = HANDLE;
    static Handle None() { return INVALID_HANDLE_VALUE; }
    static bool Valid(Handle search) { return search != INVALID_HANDLE_VALUE; }
    static void Close(Handle search) { FindClose(search); }
};
using UniqueFileSearch = UniqueResource<FileSearchTraits>;

// The device context of a window's client area (of the screen for no window), given back when
// it goes.
class ClientDC {
public:
    explicit ClientDC(HWND window = nullptr) : window_(window), dc_(GetDC(window)) {}
    ~ClientDC()
    {
        if (dc_) ReleaseDC(window_, dc_);
    }
    ClientDC(const ClientDC &) = delete;
    ClientDC &operator=(const ClientDC &) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};
