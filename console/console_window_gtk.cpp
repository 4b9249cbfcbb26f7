#include "console/console_window_gtk.h"

#include "console/drawing_area_gtk.h"
#include "console/key_event_gtk.h"
#include "foundation/program_name.h"

#include <gtkmm.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {

class GdkGuard
{
public:
    GdkGuard() { gdkLock(); }
    ~GdkGuard() { gdkUnlock(); }
    GdkGuard(const GdkGuard&) = delete;
    GdkGuard& operator=(const GdkGuard&) = delete;
};

// The top-level window: the console's display, and the source of its
// input. Handlers run on the toolkit thread with the GDK lock held; the
// display operations are called from any thread and take the lock.
class CConsoleWindow : public Gtk::Window, public CConsoleDisplay
{
public:
    explicit CConsoleWindow(CConsole& con);
    ~CConsoleWindow() override;

    void Lock() override { gdkLock(); }
    void Unlock() override { gdkUnlock(); }
    void Resize(int columns, int lines, const Estring& family, int size) override;
    void Paint(int x1, int y1, int x2, int y2) override;
    void MoveRect(int x1, int y1, int x2, int y2, int dy) override;
    void Beep() override;
    void Sync() override;
    void SetTitle(const Estring& utf8) override;
    void SetIcons(const Estring* files, int count) override;
    void PutClipText(const Estring& utf8) override;
    // Must not be called with the GDK lock held: the answer arrives on the
    // toolkit thread.
    Estring GetClipText() override;

protected:
    bool on_button_press_event(GdkEventButton* ev) override;
    bool on_button_release_event(GdkEventButton* ev) override;
    bool on_scroll_event(GdkEventScroll* ev) override;
    bool on_motion_notify_event(GdkEventMotion* ev) override;
    bool on_delete_event(GdkEventAny* ev) override;
    bool on_key_press_event(GdkEventKey* ev) override;
    bool on_key_release_event(GdkEventKey* ev) override;

private:
    bool key_event(GdkEventKey* ev);
    static void on_commit(GtkIMContext* im, const gchar* text, gpointer self);
    // The cell under a pointer position, kept on the screen while a drag
    // leaves the window.
    void cell_at(double px, double py, int& x, int& y) const;

    CConsole& con;
    CConsoleDrawingArea area;
    GtkIMContext* im = nullptr;
};

CConsoleWindow::CConsoleWindow(CConsole& c) : con(c), area(c)
{
    set_title(PANNEX_NAME);
    set_resizable(false);
    add_events(Gdk::BUTTON_PRESS_MASK | Gdk::BUTTON_RELEASE_MASK | Gdk::BUTTON_MOTION_MASK | Gdk::SCROLL_MASK |
               Gdk::KEY_PRESS_MASK | Gdk::KEY_RELEASE_MASK);
    add(area);
    area.show();
}

CConsoleWindow::~CConsoleWindow()
{
    if (im)
        g_object_unref(im);
}

void CConsoleWindow::Resize(int columns, int lines, const Estring& family, int size)
{
    GdkGuard lock;
    area.SetFont(family, size, columns, lines);
    resize(columns * area.CellWidth(), lines * area.CellHeight());
}

void CConsoleWindow::Paint(int x1, int y1, int x2, int y2)
{
    GdkGuard lock;
    area.PaintCells(x1, y1, x2, y2);
}

void CConsoleWindow::MoveRect(int x1, int y1, int x2, int y2, int dy)
{
    GdkGuard lock;
    area.MoveRect(x1, y1, x2, y2, dy);
}

void CConsoleWindow::Beep()
{
    GdkGuard lock;
    gdk_beep();
}

void CConsoleWindow::Sync()
{
    GdkGuard lock;
    gdk_display_sync(gdk_display_get_default());
}

void CConsoleWindow::SetTitle(const Estring& utf8)
{
    GdkGuard lock;
    set_title(utf8.c_str());
}

void CConsoleWindow::SetIcons(const Estring* files, int count)
{
    GdkGuard lock;
    std::vector<Glib::RefPtr<Gdk::Pixbuf>> icons;
    for (int i = 0; i < count; i++) {
        try {
            icons.push_back(Gdk::Pixbuf::create_from_file(files[i].c_str()));
        } catch (const Glib::Error&) {
            // A missing or unreadable icon leaves the window without it.
        }
    }
    if (!icons.empty())
        set_icon_list(icons);
}

void CConsoleWindow::PutClipText(const Estring& utf8)
{
    GdkGuard lock;
    Gtk::Clipboard::get(GDK_SELECTION_CLIPBOARD)->set_text(utf8.c_str());
}

Estring CConsoleWindow::GetClipText()
{
    // The request is answered on the toolkit thread, possibly after a
    // time-out here, so the answer goes to state both sides own.
    struct Answer
    {
        std::mutex mutex;
        std::condition_variable done;
        bool arrived = false;
        Estring text;
    };
    auto answer = std::make_shared<Answer>();
    {
        GdkGuard lock;
        Gtk::Clipboard::get(GDK_SELECTION_CLIPBOARD)->request_text([answer](const Glib::ustring& text) {
            std::lock_guard<std::mutex> l(answer->mutex);
            answer->text = text.c_str();
            answer->arrived = true;
            answer->done.notify_one();
        });
    }
    std::unique_lock<std::mutex> l(answer->mutex);
    // An owner that never answers must not freeze the program.
    answer->done.wait_for(l, std::chrono::seconds(5), [&] { return answer->arrived; });
    return answer->text;
}

void CConsoleWindow::cell_at(double px, double py, int& x, int& y) const
{
    x = std::clamp(static_cast<int>(px) / area.CellWidth(), 0, con.Columns() - 1);
    y = std::clamp(static_cast<int>(py) / area.CellHeight(), 0, con.Lines() - 1);
}

bool CConsoleWindow::on_button_press_event(GdkEventButton* ev)
{
    CConsole::EType type;
    if (ev->type == GDK_BUTTON_PRESS)
        type = CConsole::EvButtonPress;
    else if (ev->type == GDK_2BUTTON_PRESS)
        type = CConsole::EvDoubleClick;
    else
        return true;
    int x, y;
    cell_at(ev->x, ev->y, x, y);
    con.InputButton(type, static_cast<int>(ev->button), x, y, ev->state);
    return true;
}

bool CConsoleWindow::on_button_release_event(GdkEventButton* ev)
{
    int x, y;
    cell_at(ev->x, ev->y, x, y);
    con.InputButton(CConsole::EvButtonRelease, static_cast<int>(ev->button), x, y, ev->state);
    return true;
}

bool CConsoleWindow::on_scroll_event(GdkEventScroll* ev)
{
    int direction;
    if (ev->direction == GDK_SCROLL_UP)
        direction = 1;
    else if (ev->direction == GDK_SCROLL_DOWN)
        direction = -1;
    else
        return true;
    int x, y;
    cell_at(ev->x, ev->y, x, y);
    con.InputWheel(direction, x, y, ev->state);
    return true;
}

bool CConsoleWindow::on_motion_notify_event(GdkEventMotion* ev)
{
    int held = ev->state & GDK_BUTTON1_MASK ? 1 : ev->state & GDK_BUTTON3_MASK ? 2 : 0;
    int x, y;
    cell_at(ev->x, ev->y, x, y);
    con.InputMotion(held, x, y, ev->state);
    return true;
}

bool CConsoleWindow::on_delete_event(GdkEventAny*)
{
    con.InputClose();
    return true;  // the program decides when the window goes
}

bool CConsoleWindow::on_key_press_event(GdkEventKey* ev)
{
    return key_event(ev);
}

bool CConsoleWindow::on_key_release_event(GdkEventKey* ev)
{
    return key_event(ev);
}

bool CConsoleWindow::key_event(GdkEventKey* ev)
{
    if (!im) {
        im = gtk_im_multicontext_new();
        gtk_im_context_set_client_window(im, get_window()->gobj());
        gtk_im_context_focus_in(im);
        g_signal_connect(im, "commit", G_CALLBACK(on_commit), this);
    }
    KeyTranslation t = translate_gdk_key(ev);
    switch (t.action) {
    case KeyBreak:
        con.BreakHandler();
        break;
    case KeyDrop:
        break;
    case KeyToInputMethod:
        gtk_im_context_filter_keypress(im, ev);
        break;
    case KeyQueue:
        con.InputKey(t.code, t.state, ev->hardware_keycode);
        break;
    }
    return true;
}

void CConsoleWindow::on_commit(GtkIMContext*, const gchar* text, gpointer self)
{
    static_cast<CConsoleWindow*>(self)->con.InputText(text);
}

// The toolkit's main loop and the cursor flash run on threads of their
// own for as long as the window is open.
struct CWindowSession
{
    // A program that ends without close_console_window (exit on a fatal
    // error) leaves the threads to the end of the process rather than
    // terminating in std::thread's destructor.
    ~CWindowSession()
    {
        if (toolkit.joinable())
            toolkit.detach();
    }

    CConsole* con = nullptr;
    std::unique_ptr<CConsoleWindow> window;
    std::thread toolkit;
    std::thread flash;
    std::mutex quit_mutex;
    std::condition_variable quit_event;
    bool quitting = false;
};

std::unique_ptr<Gtk::Main> toolkit_main;
std::unique_ptr<CWindowSession> session;

void flash_thread(CWindowSession* s)
{
    for (;;) {
        if (s->con->FlashTick()) {
            int x, y;
            s->con->GetCursorPos(x, y);
            s->window->Paint(x, y, x, y);
        }
        std::unique_lock<std::mutex> l(s->quit_mutex);
        if (s->quit_event.wait_for(l, std::chrono::milliseconds(100), [s] { return s->quitting; }))
            return;
    }
}

void toolkit_thread(CWindowSession* s)
{
    gdk_threads_enter();
    s->flash = std::thread(flash_thread, s);
    Gtk::Main::run();
    gdk_threads_leave();
    {
        std::lock_guard<std::mutex> l(s->quit_mutex);
        s->quitting = true;
    }
    s->quit_event.notify_one();
    s->flash.join();
}

// Runs inside the main loop, so it works whenever close is asked for,
// even before the loop started.
gboolean quit_main_loop(gpointer)
{
    Gtk::Main::quit();
    return FALSE;
}

}

int init_gui(int& argc, char**& argv)
{
    if (toolkit_main)
        return 0;
    // GLib's threads need no initialisation since GLib 2.32; GDK's lock does.
    gdk_threads_set_lock_functions(G_CALLBACK(gdkLock), G_CALLBACK(gdkUnlock));
    gdk_threads_init();
    if (!gtk_init_check(&argc, &argv))
        return -1;
    toolkit_main = std::make_unique<Gtk::Main>(argc, argv);
    return 0;
}

int open_console_window(CConsole& con)
{
    if (!toolkit_main || session)
        return -1;
    session = std::make_unique<CWindowSession>();
    session->con = &con;
    {
        GdkGuard lock;
        session->window = std::make_unique<CConsoleWindow>(con);
        con.SetDisplay(session->window.get());
        session->window->show();
    }
    session->toolkit = std::thread(toolkit_thread, session.get());
    return 0;
}

void close_console_window()
{
    if (!session)
        return;
    {
        GdkGuard lock;
        g_idle_add(quit_main_loop, nullptr);
    }
    session->toolkit.join();
    GdkGuard lock;
    session->con->SetDisplay(nullptr);
    session->window.reset();
    session.reset();
}

void sync_console_window()
{
    GdkGuard lock;
    gdk_display_sync(gdk_display_get_default());
}
