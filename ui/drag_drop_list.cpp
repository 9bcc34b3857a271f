#include "ui/drag_drop_list.h"

#include <vector>

#include "framework/prompts.h"

DragDropList::DragDropList() : m_target(this) {
    OnMessage(WM_DESTROY, [this] {
        m_target.Revoke();
        return Default();
    });
}

DragDropList::~DragDropList() { m_target.Revoke(); }

void DragDropList::RegisterDropTarget() {
    if (!m_target.Register(Handle())) ui::AppMessageBox("Ole Register Drop Target Failed", MB_OK);
}

void DragDropList::AddDroppedPath(const std::string& path) {
    if (!owner) return;
    owner->SetModified();
    owner->AddDroppedFile(path);
}

int ListDropTarget::AddDroppedFiles(HDROP drop) {
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    int handed = 0;
    for (UINT i = 0; i < count; ++i) {
        // Sized to the name, so long names arrive whole.
        UINT length = DragQueryFileA(drop, i, nullptr, 0);
        if (length == 0) continue;  // some systems count an empty list as one empty name
        std::vector<char> name(static_cast<size_t>(length) + 1, '\0');
        UINT got = DragQueryFileA(drop, i, name.data(), length + 1);
        m_list->AddDroppedPath(std::string(name.data(), got <= length ? got : length));
        ++handed;
    }
    return handed > 0 ? 1 : 0;
}

DWORD ListDropTarget::OnDragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD allowed) {
    return (keyState & MK_CONTROL) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
}

DWORD ListDropTarget::OnDragOver(IDataObject* data, DWORD keyState, POINTL point, DWORD allowed) {
    return OnDragEnter(data, keyState, point, allowed);
}

DWORD ListDropTarget::OnDrop(IDataObject* data, DWORD keyState, POINTL point, DWORD allowed) {
    if (!data) return DROPEFFECT_NONE;
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    if (data->QueryGetData(&format) != S_OK) return DROPEFFECT_NONE;
    STGMEDIUM medium{};
    if (FAILED(data->GetData(&format, &medium))) return DROPEFFECT_NONE;
    // Released on every way out, also when the owner throws.
    struct Release {
        STGMEDIUM* medium;
        ~Release() { ReleaseStgMedium(medium); }
    } release{&medium};
    if (medium.tymed != TYMED_HGLOBAL || !medium.hGlobal) return DROPEFFECT_NONE;
    if (!AddDroppedFiles(static_cast<HDROP>(medium.hGlobal))) {
        ui::AppMessageBox("Faile to add file", MB_ICONERROR);
        return DROPEFFECT_NONE;
    }
    return DROPEFFECT_COPY;
}
