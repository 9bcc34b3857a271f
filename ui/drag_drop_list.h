#pragma once
// The project's list control, which also takes files and folders dragged
// onto it and hands every dropped name, one at a time, to its owner. It
// never opens, moves or changes a dropped file.
#include <windows.h>

#include <shellapi.h>

#include <string>

#include "framework/controls.h"
#include "framework/ole.h"

// What the list's owner offers for dropped names.
class DropListOwner {
public:
    virtual ~DropListOwner() = default;
    virtual void SetModified() = 0;
    virtual void AddDroppedFile(std::string path) = 0;
};

class DragDropList;

class ListDropTarget : public ui::DropTarget {
public:
    explicit ListDropTarget(DragDropList* list) : m_list(list) {}

    // Hands every name of the drop to the list; 1 when it held at least one.
    int AddDroppedFiles(HDROP drop);

protected:
    DWORD OnDragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD allowed) override;
    DWORD OnDragOver(IDataObject* data, DWORD keyState, POINTL point, DWORD allowed) override;
    // Takes the names; reports a copy, so that no source deletes its files.
    DWORD OnDrop(IDataObject* data, DWORD keyState, POINTL point, DWORD allowed) override;

private:
    DragDropList* m_list;
};

// Bind it to the dialog's list control (DataExchange::Control): the drop
// target is revoked when the list's window is destroyed, while OLE can
// still reach it.
class DragDropList : public ui::ListView {
public:
    DragDropList();
    ~DragDropList() override;

    // Registers the drop target for the list's window (OLE initialised, the
    // window bound); tells the user when that fails.
    void RegisterDropTarget();
    void AddDroppedPath(const std::string& path);

    DropListOwner* owner = nullptr;
    ListDropTarget& DropTarget() { return m_target; }

private:
    ListDropTarget m_target;
};
