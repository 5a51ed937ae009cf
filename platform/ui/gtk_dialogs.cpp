// The GTK 3 view of our dialogs, the module orvell-dialogs.so: builds the window from the
// template (logo at the left; list, check box and buttons at the right), lets the dialog's code
// fill and read the controls, runs it modally and takes it off the display again.
#include "platform/ui/gtk_dialog_module.h"

#include <X11/Xlib.h>
#include <gtk/gtk.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "platform/os/resources.h"
#include "platform/os/win32.h"

namespace {

struct GObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

struct GFree {
  void operator()(gpointer memory) const { g_free(memory); }
};
using GText = std::unique_ptr<gchar, GFree>;

struct WidgetDestroy {
  void operator()(GtkWidget* widget) const { gtk_widget_destroy(widget); }
};
using TopLevel = std::unique_ptr<GtkWidget, WidgetDestroy>;

struct ListFree {
  void operator()(GList* list) const { g_list_free(list); }
};
using PixbufList = std::unique_ptr<GList, ListFree>;

GObjectPtr<GdkPixbuf> DecodePng(const os::EmbeddedResource& resource) {
  GObjectPtr<GdkPixbufLoader> loader(gdk_pixbuf_loader_new_with_type("png", nullptr));
  if (!loader) return nullptr;
  bool written = gdk_pixbuf_loader_write(loader.get(), resource.bytes, resource.size, nullptr);
  // A loader must be closed even after a failed write, or it complains when freed.
  bool closed = gdk_pixbuf_loader_close(loader.get(), nullptr);
  GdkPixbuf* pixbuf = written && closed ? gdk_pixbuf_loader_get_pixbuf(loader.get()) : nullptr;
  if (!pixbuf) return nullptr;
  return GObjectPtr<GdkPixbuf>(GDK_PIXBUF(g_object_ref(pixbuf)));
}

// GDK installs Xlib error handlers for the whole process. Ours (the platform's, which leave at
// once with a clear word when the display goes away) hold while no dialog is up; GDK's while one
// is.
class XlibHandlers {
 public:
  static XlibHandlers Current() {
    XlibHandlers current{XSetErrorHandler(nullptr), XSetIOErrorHandler(nullptr)};
    current.Install();
    return current;
  }
  void Install() const {
    XSetErrorHandler(error_);
    XSetIOErrorHandler(io_);
  }

 private:
  XlibHandlers(XErrorHandler error, XIOErrorHandler io) : error_(error), io_(io) {}
  XErrorHandler error_;
  XIOErrorHandler io_;
};

// While alive, GDK's handlers are in place; afterwards the ones from before.
class GtkSession {
 public:
  GtkSession() : outside_(XlibHandlers::Current()) {
    if (gdkHandlers_) gdkHandlers_->Install();
  }
  ~GtkSession() {
    gdkHandlers_ = XlibHandlers::Current();
    outside_.Install();
  }
  GtkSession(const GtkSession&) = delete;
  GtkSession& operator=(const GtkSession&) = delete;

  bool Start(std::string* error) {
    if (started_) return true;
    // GTK would otherwise set the locale from the environment, and the disk's files would then
    // be read with a decimal comma in some countries.
    gtk_disable_setlocale();
    std::error_code failed;
    std::string name = std::filesystem::read_symlink("/proc/self/exe", failed).filename();
    if (!failed && !name.empty()) g_set_prgname(name.c_str());
    if (!gtk_init_check(nullptr, nullptr)) {
      *error = "cannot show the setup dialog: GTK cannot open the display";
      return false;
    }
    // The show's window is named and classed after the executable (SDL's way); the same class
    // here lets a desktop group both windows under the program's launcher. GTK would capitalise
    // it, and only takes our class once it has started.
    if (!failed && !name.empty()) gdk_set_program_class(name.c_str());
    started_ = true;
    return true;
  }

 private:
  XlibHandlers outside_;
  static inline std::optional<XlibHandlers> gdkHandlers_;
  static inline bool started_ = false;
};

class GtkControls final : public ui::DialogControls {
 public:
  GtkControls(ui::ResourceFinder find, GtkWindow* window, GtkComboBoxText* list,
              GtkToggleButton* checkBox)
      : find_(find), window_(window), list_(list), checkBox_(checkBox) {}

  void AddListEntry(const std::string& text) override {
    gtk_combo_box_text_append_text(list_, text.c_str());
    ++entries_;
  }
  void SelectListEntry(int index) override {
    gtk_combo_box_set_active(GTK_COMBO_BOX(list_), index >= 0 && index < entries_ ? index : -1);
  }
  std::string ListText() const override {
    GText text(gtk_combo_box_text_get_active_text(list_));
    return text ? std::string(text.get()) : std::string();
  }
  bool CheckBoxTicked() const override { return gtk_toggle_button_get_active(checkBox_); }
  void SetIcon(int iconResource) override {
    std::vector<GObjectPtr<GdkPixbuf>> images;
    for (const os::EmbeddedResource* image : find_(iconResource)) {
      if (auto pixbuf = DecodePng(*image)) images.push_back(std::move(pixbuf));
    }
    GList* list = nullptr;
    for (auto it = images.rbegin(); it != images.rend(); ++it)
      list = g_list_prepend(list, it->get());
    PixbufList sizes(list);
    // The window takes its own references.
    gtk_window_set_icon_list(window_, sizes.get());
  }

 private:
  ui::ResourceFinder find_;
  GtkWindow* window_;
  GtkComboBoxText* list_;
  GtkToggleButton* checkBox_;
  int entries_ = 0;
};

// What ended the dialog, and the dialog's code for OK.
struct ModalState {
  ui::DialogProcedure* procedure;
  GtkControls* controls;
  int result = 0;
};

void OnOkClicked(GtkButton*, gpointer data) {
  auto* state = static_cast<ModalState*>(data);
  if (state->result) return;
  state->procedure->OnOK(*state->controls);
  state->result = IDOK;
}

void OnCancelClicked(GtkButton*, gpointer data) {
  auto* state = static_cast<ModalState*>(data);
  if (!state->result) state->result = IDCANCEL;
}

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
  OnCancelClicked(nullptr, data);
  return TRUE;  // the host destroys the window itself
}

gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer data) {
  if (event->keyval != GDK_KEY_Escape) return FALSE;
  OnCancelClicked(nullptr, data);
  return TRUE;
}

GtkWidget* Logo(ui::ResourceFinder find, int resource) {
  auto images = find(resource);
  GObjectPtr<GdkPixbuf> pixbuf = images.empty() ? nullptr : DecodePng(*images[0]);
  GtkWidget* logo = pixbuf ? gtk_image_new_from_pixbuf(pixbuf.get()) : gtk_image_new();
  gtk_widget_set_valign(logo, GTK_ALIGN_START);
  return logo;
}

// Hands everything GTK still has queued to GTK and waits until the display has done it all.
void Settle() {
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
  gdk_display_sync(gdk_display_get_default());
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

class GtkDialogs final : public ui::DialogHost {
 public:
  explicit GtkDialogs(ui::ResourceFinder find) : find_(find) {}
  int DoModal(const ui::DialogTemplate& dialog, ui::DialogProcedure& procedure,
              std::string* error) override;

 private:
  ui::ResourceFinder find_;
};

int GtkDialogs::DoModal(const ui::DialogTemplate& dialog, ui::DialogProcedure& procedure,
                        std::string* error) {
  GtkSession session;
  if (!session.Start(error)) return -1;

  TopLevel window(gtk_window_new(GTK_WINDOW_TOPLEVEL));
  GtkWindow* frame = GTK_WINDOW(window.get());
  gtk_window_set_title(frame, dialog.caption.c_str());
  gtk_window_set_type_hint(frame, GDK_WINDOW_TYPE_HINT_DIALOG);
  gtk_window_set_modal(frame, TRUE);
  gtk_window_set_resizable(frame, FALSE);
  gtk_window_set_position(frame, GTK_WIN_POS_CENTER);

  GtkWidget* grid = gtk_grid_new();
  gtk_container_set_border_width(GTK_CONTAINER(grid), 10);
  gtk_grid_set_row_spacing(GTK_GRID(grid), 6);
  gtk_grid_set_column_spacing(GTK_GRID(grid), 6);
  gtk_container_add(GTK_CONTAINER(window.get()), grid);

  GtkWidget* list = gtk_combo_box_text_new();
  GtkWidget* checkBox = gtk_check_button_new_with_label(dialog.checkBoxText.c_str());
  GtkWidget* ok = gtk_button_new_with_label(dialog.okText.c_str());
  GtkWidget* cancel = gtk_button_new_with_label(dialog.cancelText.c_str());
  // The right half is two equal columns: the list across both, the check box over Cancel.
  GtkWidget* right = gtk_grid_new();
  gtk_grid_set_column_homogeneous(GTK_GRID(right), TRUE);
  gtk_grid_set_row_spacing(GTK_GRID(right), 6);
  gtk_grid_set_column_spacing(GTK_GRID(right), 6);
  gtk_widget_set_hexpand(right, TRUE);
  gtk_grid_attach(GTK_GRID(right), list, 0, 0, 2, 1);
  gtk_grid_attach(GTK_GRID(right), checkBox, 1, 1, 1, 1);
  gtk_grid_attach(GTK_GRID(right), ok, 0, 2, 1, 1);
  gtk_grid_attach(GTK_GRID(right), cancel, 1, 2, 1, 1);
  gtk_grid_attach(GTK_GRID(grid), Logo(find_, dialog.logoResource), 0, 0, 1, 1);
  gtk_grid_attach(GTK_GRID(grid), right, 1, 0, 1, 1);

  // OK is the default button.
  gtk_widget_set_can_default(ok, TRUE);
  gtk_window_set_default(frame, ok);

  GtkControls controls(find_, frame, GTK_COMBO_BOX_TEXT(list), GTK_TOGGLE_BUTTON(checkBox));
  ModalState state{&procedure, &controls};
  g_signal_connect(ok, "clicked", G_CALLBACK(OnOkClicked), &state);
  g_signal_connect(cancel, "clicked", G_CALLBACK(OnCancelClicked), &state);
  g_signal_connect(window.get(), "delete-event", G_CALLBACK(OnDelete), &state);
  g_signal_connect(window.get(), "key-press-event", G_CALLBACK(OnKeyPress), &state);

  procedure.OnInitDialog(controls);
  gtk_widget_show_all(window.get());
  // OK takes the keyboard, so Return accepts the dialog at once. Only once shown: focus given
  // earlier stays on OK in name while showing the window loses its way to it, and Tab then
  // starts over from the list.
  gtk_widget_grab_focus(ok);
  while (!state.result) gtk_main_iteration();

  window.reset();
  Settle();
  return state.result;
}

}  // namespace

ui::DialogHost* OrvellNewDialogHost(ui::ResourceFinder find) {
  return new GtkDialogs(find);
}
