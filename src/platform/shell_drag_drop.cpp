#include "platform/shell_drag_drop.h"

#include <shlobj.h>
#include <shellapi.h>

#include <cstring>

namespace kelvaro {
namespace {

FORMATETC FileListFormat() {
    return {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

bool IsFileListFormat(const FORMATETC* format) {
    return format && format->cfFormat == CF_HDROP && (format->tymed & TYMED_HGLOBAL) &&
           format->dwAspect == DVASPECT_CONTENT;
}

class DropSource final : public IDropSource {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (riid == IID_IUnknown || riid == IID_IDropSource) {
            *object = static_cast<IDropSource*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override {
        if (escape) return DRAGDROP_S_CANCEL;
        if (!(keys & MK_LBUTTON)) return DRAGDROP_S_DROP;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

private:
    std::atomic<ULONG> refs_{1};
};

}  // namespace

HGLOBAL MakeHDrop(const std::vector<std::wstring>& paths) {
    size_t chars = 1;  // the closing NUL of the list
    for (const auto& path : paths) chars += path.size() + 1;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + chars * sizeof(wchar_t));
    if (!memory) return nullptr;
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    auto* out = reinterpret_cast<wchar_t*>(reinterpret_cast<BYTE*>(drop) + sizeof(DROPFILES));
    for (const auto& path : paths) {
        std::memcpy(out, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
        out += path.size() + 1;
    }
    GlobalUnlock(memory);
    return memory;
}

std::vector<std::wstring> ReadHDrop(HDROP drop) {
    std::vector<std::wstring> names;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        std::wstring name(length + 1, L'\0');
        DragQueryFileW(drop, i, name.data(), length + 1);
        name.resize(length);
        names.push_back(name);
    }
    return names;
}

bool OffersFileList(IDataObject* data) {
    if (!data) return false;
    FORMATETC format = FileListFormat();
    return data->QueryGetData(&format) == S_OK;
}

std::vector<std::wstring> FileListOf(IDataObject* data) {
    if (!data) return {};
    FORMATETC format = FileListFormat();
    STGMEDIUM medium{};
    if (data->GetData(&format, &medium) != S_OK) return {};
    std::vector<std::wstring> names;
    if (medium.tymed == TYMED_HGLOBAL) {
        if (auto drop = static_cast<HDROP>(GlobalLock(medium.hGlobal))) {
            names = ReadHDrop(drop);
            GlobalUnlock(medium.hGlobal);
        }
    }
    ReleaseStgMedium(&medium);
    return names;
}

HRESULT FileListDropTarget::QueryInterface(REFIID riid, void** object) {
    if (riid == IID_IUnknown || riid == IID_IDropTarget) {
        *object = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG FileListDropTarget::Release() {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

HRESULT FileListDropTarget::DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    accept_ = OffersFileList(data);
    *effect = accept_ ? DROPEFFECT_COPY : DROPEFFECT_NONE;
    return S_OK;
}

HRESULT FileListDropTarget::DragOver(DWORD, POINTL, DWORD* effect) {
    *effect = accept_ ? DROPEFFECT_COPY : DROPEFFECT_NONE;
    return S_OK;
}

HRESULT FileListDropTarget::DragLeave() {
    accept_ = false;
    return S_OK;
}

HRESULT FileListDropTarget::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    const bool offered = OffersFileList(data);
    *effect = offered ? DROPEFFECT_COPY : DROPEFFECT_NONE;
    accept_ = false;
    try {
        onDrop_(offered ? FileListOf(data) : std::vector<std::wstring>());
    } catch (...) {
    }
    return S_OK;
}

HRESULT FileListDataObject::QueryInterface(REFIID riid, void** object) {
    if (riid == IID_IUnknown || riid == IID_IDataObject) {
        *object = static_cast<IDataObject*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG FileListDataObject::Release() {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

HRESULT FileListDataObject::GetData(FORMATETC* format, STGMEDIUM* medium) {
    if (!IsFileListFormat(format)) return DV_E_FORMATETC;
    std::vector<std::wstring> names;
    try {
        names = provider_();
    } catch (...) {
    }
    HGLOBAL memory = MakeHDrop(names);
    if (!memory) return E_OUTOFMEMORY;
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = memory;
    medium->pUnkForRelease = nullptr;
    return S_OK;
}

HRESULT FileListDataObject::QueryGetData(FORMATETC* format) {
    return IsFileListFormat(format) ? S_OK : DV_E_FORMATETC;
}

HRESULT FileListDataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
    if (out) out->ptd = nullptr;
    return E_NOTIMPL;
}

HRESULT FileListDataObject::EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) {
    if (direction != DATADIR_GET) return E_NOTIMPL;
    FORMATETC format = FileListFormat();
    return SHCreateStdEnumFmtEtc(1, &format, formats);
}

DWORD DragFileListOut(FileListDataObject::Provider provider) {
    auto* data = new FileListDataObject(std::move(provider));
    auto* source = new DropSource();
    DWORD effect = DROPEFFECT_NONE;
    DoDragDrop(data, source, DROPEFFECT_COPY, &effect);
    source->Release();
    data->Release();
    return effect;
}

}  // namespace kelvaro
