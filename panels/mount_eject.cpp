#include "panels/mount_eject.h"

#include "foundation/time_stamp.h"

#include <atomic>
#include <gio/gio.h>

namespace {

// Shared by the waiting caller and the completion callback; whichever of
// the two lets go last frees it, so a reply arriving after the caller gave
// up touches no freed memory.
struct EjectState
{
    std::atomic<int> refs{2};
    std::atomic<bool> done{false};
    bool ok = false;
    Westring message;
};

void release(EjectState* s)
{
    if (--s->refs == 0)
        delete s;
}

void ejected(GObject* source, GAsyncResult* result, gpointer data)
{
    EjectState* s = static_cast<EjectState*>(data);
    GError* err = nullptr;
    s->ok = g_mount_eject_with_operation_finish(G_MOUNT(source), result, &err);
    if (err) {
        s->message = Westring(err->message);
        g_error_free(err);
    }
    s->done = true;
    release(s);
}

}

int eject_mount(const Westring& mount_point, Westring& message, int limit_ms)
{
    GMainContext* context = g_main_context_new();
    g_main_context_push_thread_default(context);
    GFile* file = g_file_new_for_path(FileNameToSys(mount_point).c_str());
    GError* err = nullptr;
    GMount* mount = g_file_find_enclosing_mount(file, nullptr, &err);
    g_object_unref(file);
    int rc;
    if (!mount) {
        message = Westring(err ? err->message : "No mount to eject");
        if (err)
            g_error_free(err);
        rc = 1;
    } else {
        EjectState* s = new EjectState;
        GCancellable* cancel = g_cancellable_new();
        g_mount_eject_with_operation(mount, G_MOUNT_UNMOUNT_NONE, nullptr, cancel, ejected, s);
        double deadline = GetRelativeTime() + limit_ms / 1000.0;
        while (!s->done && GetRelativeTime() < deadline) {
            if (!g_main_context_iteration(context, FALSE))
                g_usleep(20000);
        }
        if (s->done) {
            rc = s->ok ? 0 : 1;
            message = s->message;
        } else {
            g_cancellable_cancel(cancel);
            rc = -1;
        }
        release(s);
        g_object_unref(cancel);
        g_object_unref(mount);
    }
    g_main_context_pop_thread_default(context);
    g_main_context_unref(context);
    return rc;
}
