#include "host/ConfigurationEditor.hpp"

#include "host/ConfigurationChoices.hpp"
#include "host/GLibCallback.hpp"
#include "host/LiveHost.hpp"

#include <gtk/gtk.h>
#include <memory>

namespace widgethost {

namespace intents = platform::intents;

namespace {

constexpr const char* editorKey = "tallyfox-configuration-editor";

/// The open editor: its window and the lines as the user has them now.
struct Editor {
    LiveHost* host = nullptr;
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

GtkWidget* moveButton(const std::shared_ptr<Editor>& editor, std::size_t line, int offset) {
    const Choice& choice = editor->choices[line];
    GtkWidget* button = gtk_button_new_from_icon_name(offset < 0 ? "go-up-symbolic" : "go-down-symbolic");
    gtk_widget_add_css_class(button, "flat");
    const std::string label =
        std::string(offset < 0 ? "Move " : "Move ") + choice.title + (offset < 0 ? " Up" : " Down");
    gtk_widget_set_tooltip_text(button, offset < 0 ? "Move Up" : "Move Down");
    gtk_accessible_update_property(GTK_ACCESSIBLE(button), GTK_ACCESSIBLE_PROPERTY_LABEL, label.c_str(), -1);
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
    GtkListBox* list = GTK_LIST_BOX(editor->list);
    while (GtkWidget* child = gtk_widget_get_first_child(editor->list))
        gtk_list_box_remove(list, child);
    if (editor->choices.empty()) {
        GtkWidget* empty =
            gtk_label_new("Nothing to choose from: the snapshot lists no providers or accounts.");
        gtk_label_set_wrap(GTK_LABEL(empty), TRUE);
        gtk_widget_add_css_class(empty, "dim-label");
        gtk_widget_set_margin_top(empty, 18);
        gtk_widget_set_margin_bottom(empty, 18);
        gtk_list_box_append(list, empty);
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
        gtk_check_button_set_active(GTK_CHECK_BUTTON(check), choice.chosen);
        gtk_widget_set_hexpand(check, TRUE);
        if (!choice.available) {
            // Chosen once, gone from the snapshot: named as the query names it, with its identifier.
            gtk_widget_set_tooltip_text(check, choice.identifier.c_str());
            gtk_accessible_update_property(GTK_ACCESSIBLE(check), GTK_ACCESSIBLE_PROPERTY_DESCRIPTION,
                                           choice.identifier.c_str(), -1);
            gtk_widget_add_css_class(check, "dim-label");
        }
        struct Target {
            std::weak_ptr<Editor> editor;
            std::string identifier;
        };
        g_signal_connect_data(
            check, "toggled", asCallback(+[](GtkCheckButton* button, gpointer data) {
                const auto* target = static_cast<Target*>(data);
                auto e = target->editor.lock();
                if (!e) return;
                if (const auto current = lineOf(*e, target->identifier))
                    e->choices[*current].chosen = gtk_check_button_get_active(button);
            }),
            new Target{editor, choice.identifier},
            [](gpointer data, GClosure*) { delete static_cast<Target*>(data); }, GConnectFlags{});
        gtk_box_append(GTK_BOX(row), check);
        GtkWidget* up = moveButton(editor, line, -1);
        GtkWidget* down = moveButton(editor, line, +1);
        gtk_box_append(GTK_BOX(row), up);
        gtk_box_append(GTK_BOX(row), down);
        gtk_list_box_append(list, row);
        if (focusLine == line) focus = focusButton < 0 ? up : down;
    }
    if (focus && gtk_widget_get_sensitive(focus)) gtk_widget_grab_focus(focus);
    gtk_widget_set_sensitive(editor->save, TRUE);
}

} // namespace

void openConfigurationEditor(GtkWindow* parent, LiveHost& host, const PlacedWidget& placed) {
    if (auto* open = static_cast<GtkWindow*>(g_object_get_data(G_OBJECT(parent), editorKey))) {
        gtk_window_present(open);
        return;
    }
    auto editor = std::make_shared<Editor>();
    editor->host = &host;
    editor->number = placed.number;
    const auto& widget = host.widget();

    GtkWindow* window = GTK_WINDOW(gtk_window_new());
    editor->window = window;
    gtk_window_set_transient_for(window, parent);
    gtk_window_set_destroy_with_parent(window, TRUE);
    gtk_window_set_modal(window, TRUE);
    gtk_window_set_title(window, widget.intentTitle.resolved().c_str());
    gtk_window_set_default_size(window, 380, 460);
    // The editor lives as long as its window.
    g_object_set_data_full(G_OBJECT(window), "tallyfox-editor", new std::shared_ptr<Editor>(editor),
                           [](gpointer data) { delete static_cast<std::shared_ptr<Editor>*>(data); });
    g_object_set_data(G_OBJECT(parent), editorKey, window);
    g_signal_connect(window, "destroy", asCallback(+[](GtkWidget* closing, gpointer owner) {
                         if (g_object_get_data(G_OBJECT(owner), editorKey) == closing)
                             g_object_set_data(G_OBJECT(owner), editorKey, nullptr);
                     }),
                     parent);

    GtkWidget* header = gtk_header_bar_new();
    gtk_header_bar_set_show_title_buttons(GTK_HEADER_BAR(header), FALSE);
    GtkWidget* cancel = gtk_button_new_with_label("Cancel");
    g_signal_connect_swapped(cancel, "clicked", G_CALLBACK(gtk_window_destroy), window);
    gtk_header_bar_pack_start(GTK_HEADER_BAR(header), cancel);
    editor->save = gtk_button_new_with_label("Save");
    gtk_widget_add_css_class(editor->save, "suggested-action");
    gtk_widget_set_sensitive(editor->save, FALSE); // until the list is there
    g_signal_connect_data(
        editor->save, "clicked", asCallback(+[](GtkButton*, gpointer data) {
            auto e = static_cast<std::weak_ptr<Editor>*>(data)->lock();
            if (!e) return;
            const auto chosen = chosenIdentifiers(e->choices);
            const std::int64_t number = e->number;
            e->host->later([number, chosen](LiveHost& h) { h.changeConfiguration(number, chosen); });
            gtk_window_destroy(e->window);
        }),
        new std::weak_ptr<Editor>(editor),
        [](gpointer data, GClosure*) { delete static_cast<std::weak_ptr<Editor>*>(data); }, GConnectFlags{});
    gtk_header_bar_pack_end(GTK_HEADER_BAR(header), editor->save);
    gtk_window_set_titlebar(window, header);

    GtkWidget* content = gtk_box_new(GTK_ORIENTATION_VERTICAL, 12);
    gtk_widget_set_margin_start(content, 18);
    gtk_widget_set_margin_end(content, 18);
    gtk_widget_set_margin_top(content, 18);
    gtk_widget_set_margin_bottom(content, 18);
    GtkWidget* heading = gtk_label_new(widget.parameterTitle.resolved().c_str());
    gtk_widget_add_css_class(heading, "heading");
    gtk_label_set_xalign(GTK_LABEL(heading), 0);
    gtk_box_append(GTK_BOX(content), heading);
    editor->list = gtk_list_box_new();
    gtk_list_box_set_selection_mode(GTK_LIST_BOX(editor->list), GTK_SELECTION_NONE);
    gtk_widget_add_css_class(editor->list, "boxed-list");
    gtk_accessible_update_property(GTK_ACCESSIBLE(editor->list), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                   widget.parameterTitle.resolved().c_str(), -1);
    GtkWidget* loading = gtk_label_new("Loading…");
    gtk_widget_add_css_class(loading, "dim-label");
    gtk_list_box_append(GTK_LIST_BOX(editor->list), loading);
    GtkWidget* scroller = gtk_scrolled_window_new();
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_NEVER, GTK_POLICY_AUTOMATIC);
    gtk_scrolled_window_set_propagate_natural_height(GTK_SCROLLED_WINDOW(scroller), TRUE);
    gtk_widget_set_vexpand(scroller, TRUE);
    gtk_scrolled_window_set_child(GTK_SCROLLED_WINDOW(scroller), editor->list);
    gtk_box_append(GTK_BOX(content), scroller);
    gtk_window_set_child(window, content);

    GtkEventController* keys = gtk_shortcut_controller_new();
    gtk_shortcut_controller_add_shortcut(
        GTK_SHORTCUT_CONTROLLER(keys),
        gtk_shortcut_new(gtk_keyval_trigger_new(GDK_KEY_Escape, GdkModifierType{}),
                         gtk_named_action_new("window.close")));
    gtk_widget_add_controller(GTK_WIDGET(window), keys);
    gtk_window_present(window);

    // The query reads the snapshot: on the worker, as the platform runs queries on its own tasks.
    const intents::AnyEntityQuery query = widget.entityQuery;
    const std::vector<std::string> stored =
        placed.configuration.entityIdentifiers.value_or(std::vector<std::string>{});
    using Listed =
        std::pair<std::vector<intents::EntityDescription>, std::vector<intents::EntityDescription>>;
    std::weak_ptr<Editor> weak = editor;
    host.queue().run<Listed>(
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

} // namespace widgethost
