#pragma once
#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace kelvaro {

// The shell's file-list format: a DROPFILES block with wide names.
HGLOBAL MakeHDrop(const std::vector<std::wstring>& paths);
std::vector<std::wstring> ReadHDrop(HDROP drop);
// The names a data object offers as a file list, or nothing.
bool OffersFileList(IDataObject* data);
std::vector<std::wstring> FileListOf(IDataObject* data);

// Accepts the shell's file list (copy only) and hands the names over.
class FileListDropTarget final : public IDropTarget {
public:
    using DropHandler = std::function<void(const std::vector<std::wstring>&)>;
    explicit FileListDropTarget(DropHandler onDrop) : onDrop_(std::move(onDrop)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL pt, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) override;

private:
    ~FileListDropTarget() = default;
    DropHandler onDrop_;
    bool accept_ = false;
    std::atomic<ULONG> refs_{1};
};

// Offers a file list whose names are asked for only when a target wants them.
class FileListDataObject final : public IDataObject {
public:
    using Provider = std::function<std::vector<std::wstring>()>;
    explicit FileListDataObject(Provider provider) : provider_(std::move(provider)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override;
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override;
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    ~FileListDataObject() = default;
    Provider provider_;
    std::atomic<ULONG> refs_{1};
};

// Drags the names of `provider` out with copy as the only effect; returns the effect done.
DWORD DragFileListOut(FileListDataObject::Provider provider);

}  // namespace kelvaro
