// The process-wide GUI zoom, the dockers that hold elements, and repainting on demand.
#include "qv/qvdevui.h"

#include <math.h>

#include <map>
#include <mutex>

namespace {

struct LayoutState {
    std::mutex mutex;
    double zoom = 1.0;
    double previousZoom = 1.0;
    std::map<IQvGUIElement*, HWND> dockers;
};

LayoutState& State() {
    static LayoutState state;
    return state;
}

BOOL CALLBACK RedrawProcessWindow(HWND window, LPARAM) {
    DWORD process = 0;
    DWORD thread = GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
    UINT flags = RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN;
    // Painting another thread's window now would wait for that thread: it repaints in its own loop.
    if (thread == GetCurrentThreadId()) flags |= RDW_UPDATENOW;
    RedrawWindow(window, nullptr, nullptr, flags);
    return TRUE;
}

} // namespace

double CQvGUILayoutManager::GetGuiZoom() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().zoom;
}

double CQvGUILayoutManager::GetPreviousGuiZoom() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().previousZoom;
}

void CQvGUILayoutManager::SetGuiZoom(double zoom) {
    if (!(zoom > 0.0) || !isfinite(zoom)) return;
    std::lock_guard<std::mutex> lock(State().mutex);
    State().previousZoom = State().zoom;
    State().zoom = zoom;
}

HWND CQvGUILayoutManager::GetParentDockerForResize(IQvGUIElement* element) {
    std::lock_guard<std::mutex> lock(State().mutex);
    auto found = State().dockers.find(element);
    return found == State().dockers.end() ? nullptr : found->second;
}

void CQvGUILayoutManager::SetDocker(IQvGUIElement* element, HWND docker) {
    std::lock_guard<std::mutex> lock(State().mutex);
    if (docker)
        State().dockers[element] = docker;
    else
        State().dockers.erase(element);
}

void CQvGUILayoutManager::ResizeDocker(HWND docker) {
    RECT client{};
    if (!docker || !GetClientRect(docker, &client)) return;
    // Posted: the docker's layout may resize the element that asked, which would ask again.
    PostMessageW(docker, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
}

void CQvGUILayoutManager::RefreshDeletedElements() {
    std::lock_guard<std::mutex> lock(State().mutex);
    for (auto it = State().dockers.begin(); it != State().dockers.end();)
        it = IsWindow(it->second) ? std::next(it) : State().dockers.erase(it);
}

void CQvGUILayoutManager::ResizeWindowToGuiZoom(HWND window, double previousZoom) {
    double zoom = GetGuiZoom();
    RECT r{};
    if (!window || !(previousZoom > 0.0) || zoom == previousZoom || !GetWindowRect(window, &r)) return;
    double factor = zoom / previousZoom;
    SetWindowPos(window, nullptr, 0, 0, static_cast<int>(lround((r.right - r.left) * factor)),
                 static_cast<int>(lround((r.bottom - r.top) * factor)),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CQvGUIUpdateManager::UpdateNow() {
    EnumWindows(RedrawProcessWindow, 0);
}
