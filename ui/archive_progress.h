#pragma once
// The progress window as the archive writer's display: each step moves the
// bar and lets the thread's messages through, and its Cancel button stops
// the writer.
#include "core/sfx_archive.h"
#include "ui/progress_wnd.h"

class ProgressWndArchiveProgress : public ArchiveProgress {
public:
    explicit ProgressWndArchiveProgress(CProgressWnd& window) : m_window(window) {}
    void Begin(int steps, const std::string& text) override {
        m_window.SetPos(0);
        m_window.SetRange(0, steps, 1);
        m_window.SetText(text);
        m_window.Show();
    }
    void Step() override {
        m_window.StepIt();
        m_window.PeekAndPump(TRUE);
    }
    void End() override { m_window.Hide(); }
    bool Cancelled() const override { return m_window.Cancelled() != FALSE; }

private:
    CProgressWnd& m_window;
};
