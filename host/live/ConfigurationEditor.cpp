#include "host/live/ConfigurationEditor.hpp"

#include "host/hosting/ConfigurationChoices.hpp"
#include "host/gtk/GLibCallback.hpp"
#include "host/strings/HostStrings.hpp"
#include "host/identity/HostIdentity.hpp"
#include "host/live/WindowHost.hpp"

#include <gtk/gtk.h>
#include <memory>

namespace widgethost {

namespace intents = platform::intents;

namespace {

constexpr const char* editorKey = "tallyfox-configuration-editor";

/// The open editor: its window and the lines as the user has them now.
struct Editor {
    WindowHost* host = nullptr;
    std::int64_t number = 0;
    GtkWindow* window = nullptr;
    GtkWidget* list = nullptr;
    GtkWidget* save = nullptr;
    std::vector<Choice> choices;
};

void fill(const std::shared_ptr<Editor>& editor, std::optional<std::size_t> focusLine = std::nullopt,
          int focusButton = 0);

/// The line of the entity `identifier` now (lines move between a click and its handling).
std::optional<std::size_t> lineOf(const Editor& editor, const std::string& identifier) {
    for (std::size_t line = 0; line < editor.choices.size(); ++line)
        if (editor.choices[line].identifier == identifier) return line;
    return std::nullopt;
}

/// Moves a line and shows the list again with the focus still on the button that moved it.
void move(const std::shared_ptr<Editor>& editor, const std::string& identifier, int offset) {
    const auto line = lineOf(*editor, identifier);
    if (!line) return;
    moveChoice(editor->choices, *line, offset);
    fill(editor, lineOf(*editor, identifier), offset);
}

void setAccessibleName(GtkWidget* widget, const std::string& name) {
    atk_object_set_name(gtk_widget_get_accessible(widget), name.c_str());
}

GtkWidget* moveButton(const std::shared_ptr<Editor>& editor, std::size_t line, int offset) {
    const Choice& choice = editor->choices[line];
    GtkWidget* button = gtk_button_new_from_icon_name(offset < 0 ? "go-up-symbolic" : "go-down-symbolic",
                                                      GTK_ICON_SIZE_BUTTON);
    gtk_button_set_relief(GTK_BUTTON(button), GTK_RELIEF_NONE);
    gtk_widget_set_tooltip_text(button, (offset < 0 ? hostText("Move Up") : hostText("Move Down")).c_str());
    setAccessibleName(button, offset < 0 ? hostText("Move %@ Up", {choice.title})
                                         : hostText("Move %@ Down", {choice.title}));
    const bool possible = offset < 0 ? line > 0 : line + 1 < editor->choices.size();
    gtk_widget_set_sensitive(button, possible);
    struct Target {
        std::weak_ptr<Editor> editor;
        std::string identifier;
        int offset;
    };
    g_signal_connect_data(
        button, "clicked", asCallback(+[](GtkButton*, gpointer data) {
            const auto* target = static_cast<Target*>(data);
            // Shown again from an idle callback: this button goes with the old list.
            auto* copy = new Target(*target);
            g_idle_add_full(
                G_PRIORITY_HIGH_IDLE,
                [](gpointer pending) -> gboolean {
                    const auto* t = static_cast<Target*>(pending);
                    if (auto e = t->editor.lock()) move(e, t->identifier, t->offset);
                    return G_SOURCE_REMOVE;
                },
                copy, [](gpointer pending) { delete static_cast<Target*>(pending); });
        }),
        new Target{editor, choice.identifier, offset},
        [](gpointer data, GClosure*) { delete static_cast<Target*>(data); }, GConnectFlags{});
    return button;
}

void fill(const std::shared_ptr<Editor>& editor, std::optional<std::size_t> focusLine, int focusButton) {
    GList* children = gtk_container_get_children(GTK_CONTAINER(editor->list));
    for (GList* child = children; child; child = child->next)
        gtk_widget_destroy(GTK_WIDGET(child->data));
    g_list_free(children);
    GtkListBox* list = GTK_LIST_BOX(editor->list);
    if (editor->choices.empty()) {
        GtkWidget* empty = gtk_label_new(
            hostText("Nothing to choose from: the snapshot lists no providers or accounts.").c_str());
        gtk_label_set_line_wrap(GTK_LABEL(empty), TRUE);
        gtk_style_context_add_class(gtk_widget_get_style_context(empty), "dim-label");
        gtk_widget_set_margin_top(empty, 18);
        gtk_widget_set_margin_bottom(empty, 18);
        gtk_list_box_insert(list, empty, -1);
    }
    GtkWidget* focus = nullptr;
    for (std::size_t line = 0; line < editor->choices.size(); ++line) {
        const Choice& choice = editor->choices[line];
        GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
        gtk_widget_set_margin_start(row, 6);
        gtk_widget_set_margin_end(row, 6);
        gtk_widget_set_margin_top(row, 3);
        gtk_widget_set_margin_bottom(row, 3);

        GtkWidget* check = gtk_check_button_new_with_label(choice.title.c_str());
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(check), choice.chosen);
        if (!choice.available) {
            // Chosen once, gone from the snapshot: named as the query names it, with its identifier.
            gtk_widget_set_tooltip_text(check, choice.identifier.c_str());
            atk_object_set_description(gtk_widget_get_accessible(check), choice.identifier.c_str());
            gtk_style_context_add_class(gtk_widget_get_style_context(check), "dim-label");
        }
        struct Target {
            std::weak_ptr<Editor> editor;
            std::string identifier;
        };
        g_signal_connect_data(
            check, "toggled", asCallback(+[](GtkToggleButton* button, gpointer data) {
                const auto* target = static_cast<Target*>(data);
                auto e = target->editor.lock();
                if (!e) return;
                if (const auto current = lineOf(*e, target->identifier))
                    e->choices[*current].chosen = gtk_toggle_button_get_active(button);
            }),
            new Target{editor, choice.identifier},
            [](gpointer data, GClosure*) { delete static_cast<Target*>(data); }, GConnectFlags{});
        gtk_box_pack_start(GTK_BOX(row), check, TRUE, TRUE, 0);
        GtkWidget* up = moveButton(editor, line, -1);
        GtkWidget* down = moveButton(editor, line, +1);
        gtk_box_pack_start(GTK_BOX(row), up, FALSE, FALSE, 0);
        gtk_box_pack_start(GTK_BOX(row), down, FALSE, FALSE, 0);
        gtk_list_box_insert(list, row, -1);
        if (focusLine == line) focus = focusButton < 0 ? up : down;
    }
    gtk_widget_show_all(editor->list);
    if (focus && gtk_widget_get_sensitive(focus)) gtk_widget_grab_focus(focus);
    gtk_widget_set_sensitive(editor->save, TRUE);
}

/// The editor's own window over `parent`, which knows it while it is open.
GtkWindow* makeWindow(const std::shared_ptr<Editor>& editor, GtkWindow* parent, const std::string& title) {
    // An ordinary window of the desktop, whatever surface the widget is on.
    GtkWindow* window = GTK_WINDOW(gtk_window_new(GTK_WINDOW_TOPLEVEL));
    editor->window = window;
    gtk_window_set_application(window, editor->host->application());
    gtk_window_set_destroy_with_parent(window, TRUE);
    gtk_window_set_title(window, title.c_str());
    gtk_window_set_icon_name(window, liveHostApplicationID);
    gtk_window_set_default_size(window, 380, 460);
    gtk_window_set_position(window, GTK_WIN_POS_CENTER);
    // The editor lives as long as its window.
    g_object_set_data_full(G_OBJECT(window), "tallyfox-editor", new std::shared_ptr<Editor>(editor),
                           [](gpointer data) { delete static_cast<std::shared_ptr<Editor>*>(data); });
    g_object_set_data(G_OBJECT(parent), editorKey, window);
    g_signal_connect(window, "destroy", asCallback(+[](GtkWidget* closing, gpointer owner) {
                         if (g_object_get_data(G_OBJECT(owner), editorKey) == closing)
                             g_object_set_data(G_OBJECT(owner), editorKey, nullptr);
                     }),
                     parent);
    return window;
}

/// Cancel and Save in the title bar; Save stores the choice through the host and closes the editor.
void makeHeader(const std::shared_ptr<Editor>& editor, const std::string& title) {
    GtkWindow* window = editor->window;
    GtkWidget* header = gtk_header_bar_new();
    gtk_header_bar_set_show_close_button(GTK_HEADER_BAR(header), FALSE);
    gtk_header_bar_set_title(GTK_HEADER_BAR(header), title.c_str());
    GtkWidget* cancel = gtk_button_new_with_label(hostText("Cancel").c_str());
    g_signal_connect_swapped(cancel, "clicked", G_CALLBACK(gtk_widget_destroy), window);
    gtk_header_bar_pack_start(GTK_HEADER_BAR(header), cancel);
    editor->save = gtk_button_new_with_label(hostText("Save").c_str());
    gtk_style_context_add_class(gtk_widget_get_style_context(editor->save), "suggested-action");
    gtk_widget_set_sensitive(editor->save, FALSE); // until the list is there
    g_signal_connect_data(
        editor->save, "clicked", asCallback(+[](GtkButton*, gpointer data) {
            auto e = static_cast<std::weak_ptr<Editor>*>(data)->lock();
            if (!e) return;
            const auto chosen = chosenIdentifiers(e->choices);
            const std::int64_t number = e->number;
            e->host->later([number, chosen](WindowHost& h) { h.changeConfiguration(number, chosen); });
            gtk_widget_destroy(GTK_WIDGET(e->window));
        }),
        new std::weak_ptr<Editor>(editor),
        [](gpointer data, GClosure*) { delete static_cast<std::weak_ptr<Editor>*>(data); }, GConnectFlags{});
    gtk_header_bar_pack_end(GTK_HEADER_BAR(header), editor->save);
    gtk_window_set_titlebar(window, header);
}

/// The parameter's title over the list, which says it is loading until the query answers.
void makeContent(const std::shared_ptr<Editor>& editor, const std::string& parameterTitle) {
    GtkWidget* content = gtk_box_new(GTK_ORIENTATION_VERTICAL, 12);
    gtk_widget_set_margin_start(content, 18);
    gtk_widget_set_margin_end(content, 18);
    gtk_widget_set_margin_top(content, 18);
    gtk_widget_set_margin_bottom(content, 18);
    GtkWidget* heading = gtk_label_new(parameterTitle.c_str());
    PangoAttrList* bold = pango_attr_list_new();
    pango_attr_list_insert(bold, pango_attr_weight_new(PANGO_WEIGHT_BOLD));
    gtk_label_set_attributes(GTK_LABEL(heading), bold);
    pango_attr_list_unref(bold);
    gtk_label_set_xalign(GTK_LABEL(heading), 0);
    gtk_box_pack_start(GTK_BOX(content), heading, FALSE, FALSE, 0);
    editor->list = gtk_list_box_new();
    gtk_list_box_set_selection_mode(GTK_LIST_BOX(editor->list), GTK_SELECTION_NONE);
    setAccessibleName(editor->list, parameterTitle);
    GtkWidget* loading = gtk_label_new(hostText("Loading…").c_str());
    gtk_style_context_add_class(gtk_widget_get_style_context(loading), "dim-label");
    gtk_list_box_insert(GTK_LIST_BOX(editor->list), loading, -1);
    GtkWidget* frame = gtk_frame_new(nullptr);
    GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_NEVER, GTK_POLICY_AUTOMATIC);
    gtk_scrolled_window_set_propagate_natural_height(GTK_SCROLLED_WINDOW(scroller), TRUE);
    gtk_widget_set_vexpand(scroller, TRUE);
    gtk_container_add(GTK_CONTAINER(scroller), editor->list);
    gtk_container_add(GTK_CONTAINER(frame), scroller);
    gtk_box_pack_start(GTK_BOX(content), frame, TRUE, TRUE, 0);
    gtk_container_add(GTK_CONTAINER(editor->window), content);
}

/// Lists the query's entities once the worker has them: the stored ones first, in their order.
void listEntities(const std::shared_ptr<Editor>& editor, const PlacedWidget& placed) {
    // The query reads the snapshot: on the worker, as the platform runs queries on its own tasks.
    const intents::AnyEntityQuery query = editor->host->widget().entityQuery;
    const std::vector<std::string> stored =
        placed.configuration.entityIdentifiers.value_or(std::vector<std::string>{});
    using Listed =
        std::pair<std::vector<intents::EntityDescription>, std::vector<intents::EntityDescription>>;
    std::weak_ptr<Editor> weak = editor;
    editor->host->queue().run<Listed>(
        [query, stored] {
            return Listed{stored.empty() ? std::vector<intents::EntityDescription>{} : query.entities(stored),
                          query.results()};
        },
        [weak](Listed listed) {
            if (auto e = weak.lock()) {
                e->choices = makeChoices(listed.first, listed.second);
                fill(e);
            }
        });
}

} // namespace

void openConfigurationEditor(GtkWindow* parent, WindowHost& host, const PlacedWidget& placed) {
    if (auto* open = static_cast<GtkWindow*>(g_object_get_data(G_OBJECT(parent), editorKey))) {
        gtk_window_present(open);
        return;
    }
    auto editor = std::make_shared<Editor>();
    editor->host = &host;
    editor->number = placed.number;
    const auto& widget = host.widget();
    GtkWindow* window = makeWindow(editor, parent, widget.intentTitle.resolved());
    makeHeader(editor, widget.intentTitle.resolved());
    makeContent(editor, widget.parameterTitle.resolved());
    g_signal_connect(window, "key-press-event",
                     asCallback(+[](GtkWidget* self, GdkEventKey* key, gpointer) -> gboolean {
                         if (key->keyval != GDK_KEY_Escape) return FALSE;
                         gtk_widget_destroy(self);
                         return TRUE;
                     }),
                     nullptr);
    gtk_widget_show_all(GTK_WIDGET(window));
    gtk_window_present(window);
    listEntities(editor, placed);
}

} // namespace widgethost
