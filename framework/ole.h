#pragma once
// OLE start-up and a drop-target base whose COM methods call virtual
// handlers of ours and never let an exception out.
#include <windows.h>

#include <ole2.h>

namespace ui {

// OleInitialize for the calling thread, undone by the destructor when it
// succeeded.
class OleSession {
public:
    OleSession() : m_ok(SUCCEEDED(OleInitialize(nullptr))) {}
    ~OleSession() {
        if (m_ok) OleUninitialize();
    }
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;
    bool Ok() const { return m_ok; }

private:
    bool m_ok;
};

// An IDropTarget that lives inside a C++ object (not on the COM heap): the
// owner keeps it alive while it is registered, and the destructor revokes it.
class DropTarget : public IDropTarget {
public:
    DropTarget() = default;
    virtual ~DropTarget();
    DropTarget(const DropTarget&) = delete;
    DropTarget& operator=(const DropTarget&) = delete;

    // RegisterDragDrop for the window; false when OLE refuses.
    bool Register(HWND hwnd);
    void Revoke();
    HWND Window() const { return m_hwnd; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IDropTarget: each calls the handler below inside a catch-all.
    STDMETHODIMP DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;
    STDMETHODIMP DragOver(DWORD keyState, POINTL point, DWORD* effect) override;
    STDMETHODIMP DragLeave() override;
    STDMETHODIMP Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;

protected:
    // The effect to show; the default refuses.
    virtual DWORD OnDragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD allowed) {
        return DROPEFFECT_NONE;
    }
    virtual DWORD OnDragOver(IDataObject* data, DWORD keyState, POINTL point, DWORD allowed) {
        return DROPEFFECT_NONE;
    }
    virtual void OnDragLeave() {}
    // The effect that the drop had (DROPEFFECT_NONE when it was refused).
    virtual DWORD OnDrop(IDataObject* data, DWORD keyState, POINTL point, DWORD allowed) {
        return DROPEFFECT_NONE;
    }

private:
    HWND m_hwnd = nullptr;
    IDataObject* m_data = nullptr;  // the object of the current drag
    LONG m_refs = 0;
};

}  // namespace ui
