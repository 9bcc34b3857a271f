#include "framework/ole.h"

#include <exception>

#include "framework/app.h"

namespace ui {
namespace {

template <typename Fn>
HRESULT Guarded(const char* where, Fn&& fn) {
    try {
        return fn();
    } catch (const std::exception& e) {
        TraceError(where, e.what());
    } catch (...) {
        TraceError(where, nullptr);
    }
    return E_UNEXPECTED;
}

}  // namespace

DropTarget::~DropTarget() {
    Revoke();
    if (m_data) m_data->Release();
}

bool DropTarget::Register(HWND hwnd) {
    if (m_hwnd) return false;
    if (!hwnd || FAILED(RegisterDragDrop(hwnd, this))) return false;
    m_hwnd = hwnd;
    return true;
}

void DropTarget::Revoke() {
    if (m_hwnd) RevokeDragDrop(m_hwnd);
    m_hwnd = nullptr;
}

STDMETHODIMP DropTarget::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTarget)) {
        *object = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) DropTarget::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }

STDMETHODIMP_(ULONG) DropTarget::Release() { return static_cast<ULONG>(InterlockedDecrement(&m_refs)); }

STDMETHODIMP DropTarget::DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) {
    return Guarded("DragEnter", [&]() -> HRESULT {
        if (!effect) return E_INVALIDARG;
        if (m_data) m_data->Release();
        m_data = data;
        if (m_data) m_data->AddRef();
        *effect = OnDragEnter(data, keyState, point, *effect);
        return S_OK;
    });
}

STDMETHODIMP DropTarget::DragOver(DWORD keyState, POINTL point, DWORD* effect) {
    return Guarded("DragOver", [&]() -> HRESULT {
        if (!effect) return E_INVALIDARG;
        *effect = OnDragOver(m_data, keyState, point, *effect);
        return S_OK;
    });
}

STDMETHODIMP DropTarget::DragLeave() {
    return Guarded("DragLeave", [&]() -> HRESULT {
        OnDragLeave();
        if (m_data) m_data->Release();
        m_data = nullptr;
        return S_OK;
    });
}

STDMETHODIMP DropTarget::Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) {
    return Guarded("Drop", [&]() -> HRESULT {
        if (m_data) m_data->Release();
        m_data = nullptr;
        if (!effect) return E_INVALIDARG;
        *effect = OnDrop(data, keyState, point, *effect);
        return S_OK;
    });
}

}  // namespace ui
