#include "host/live/WidgetArea.hpp"

#include <cmath>
#include <gtk/gtk-a11y.h>
#include <gtk/gtk.h>
#include <memory>

namespace widgethost {

namespace ui = platform::ui;

namespace {

// MARK: One element

struct ElementAccessible {
    AtkObject parent;
    GtkWidget* area; // not owned; the area's accessible outlives its children
    ui::Rect frame;
    int index;
};
struct ElementAccessibleClass {
    AtkObjectClass parent;
};

void elementComponentInit(AtkComponentIface* iface);

G_DEFINE_TYPE_WITH_CODE(ElementAccessible, element_accessible, ATK_TYPE_OBJECT,
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_COMPONENT, elementComponentInit))

gint elementIndex(AtkObject* object) {
    return reinterpret_cast<ElementAccessible*>(object)->index;
}

AtkStateSet* elementStates(AtkObject* object) {
    AtkStateSet* states = ATK_OBJECT_CLASS(element_accessible_parent_class)->ref_state_set(object);
    const auto* element = reinterpret_cast<ElementAccessible*>(object);
    if (element->area && gtk_widget_get_mapped(element->area)) {
        atk_state_set_add_state(states, ATK_STATE_VISIBLE);
        atk_state_set_add_state(states, ATK_STATE_SHOWING);
    }
    return states;
}

void element_accessible_class_init(ElementAccessibleClass* type) {
    AtkObjectClass* object = ATK_OBJECT_CLASS(type);
    object->get_index_in_parent = elementIndex;
    object->ref_state_set = elementStates;
}

void element_accessible_init(ElementAccessible* element) {
    element->area = nullptr;
    element->frame = {};
    element->index = 0;
}

void elementExtents(AtkComponent* component, gint* x, gint* y, gint* width, gint* height,
                    AtkCoordType coordinates) {
    const auto* element = reinterpret_cast<ElementAccessible*>(component);
    *x = *y = *width = *height = 0;
    if (!element->area) return;
    GtkAllocation allocation;
    gtk_widget_get_allocation(element->area, &allocation);
    // The area's place in its window, and the window's on the screen where the display says.
    double left = std::floor(element->frame.minX()), top = std::floor(element->frame.minY());
    *width = static_cast<int>(std::ceil(element->frame.maxX()) - left);
    *height = static_cast<int>(std::ceil(element->frame.maxY()) - top);
    if (coordinates == ATK_XY_PARENT) {
        *x = static_cast<int>(left);
        *y = static_cast<int>(top);
        return;
    }
    *x = allocation.x + static_cast<int>(left);
    *y = allocation.y + static_cast<int>(top);
    if (coordinates == ATK_XY_SCREEN) {
        GdkWindow* toplevel = gtk_widget_get_window(gtk_widget_get_toplevel(element->area));
        int originX = 0, originY = 0;
        if (toplevel) gdk_window_get_origin(toplevel, &originX, &originY);
        *x += originX;
        *y += originY;
    }
}

void elementComponentInit(AtkComponentIface* iface) {
    iface->get_extents = elementExtents;
}

// MARK: The area and its accessible

struct AreaState {
    std::vector<ui::AccessibilityElement> elements;
    std::vector<AtkObject*> children;
    std::function<void()> openMenu;
    std::string menuDescription;
    GtkWidget* menu = nullptr; // the widget's menu, a child after the elements
    ~AreaState() {
        for (AtkObject* child : children) {
            reinterpret_cast<ElementAccessible*>(child)->area = nullptr;
            g_object_unref(child);
        }
    }
};

constexpr const char* stateKey = "tallyfox-widget-area";

AreaState* stateOf(GtkWidget* area) {
    return area ? static_cast<AreaState*>(g_object_get_data(G_OBJECT(area), stateKey)) : nullptr;
}

AreaState* stateOfAccessible(AtkObject* accessible) {
    return stateOf(gtk_accessible_get_widget(GTK_ACCESSIBLE(accessible)));
}

struct AreaAccessible {
    GtkWidgetAccessible parent;
};
struct AreaAccessibleClass {
    GtkWidgetAccessibleClass parent;
};

void areaActionInit(AtkActionIface* iface);

G_DEFINE_TYPE_WITH_CODE(AreaAccessible, area_accessible, GTK_TYPE_WIDGET_ACCESSIBLE,
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_ACTION, areaActionInit))

gint areaChildCount(AtkObject* accessible) {
    const AreaState* state = stateOfAccessible(accessible);
    return state ? static_cast<gint>(state->children.size()) + (state->menu ? 1 : 0) : 0;
}

AtkObject* areaChild(AtkObject* accessible, gint index) {
    const AreaState* state = stateOfAccessible(accessible);
    if (!state || index < 0) return nullptr;
    if (state->menu && static_cast<std::size_t>(index) == state->children.size()) {
        AtkObject* menu = gtk_widget_get_accessible(state->menu);
        g_object_ref(menu);
        return menu;
    }
    if (static_cast<std::size_t>(index) >= state->children.size()) return nullptr;
    AtkObject* child = state->children[static_cast<std::size_t>(index)];
    g_object_ref(child);
    return child;
}

void areaAccessibleInitialize(AtkObject* accessible, gpointer data) {
    ATK_OBJECT_CLASS(area_accessible_parent_class)->initialize(accessible, data);
    accessible->role = ATK_ROLE_PANEL;
}

void area_accessible_class_init(AreaAccessibleClass* type) {
    AtkObjectClass* object = ATK_OBJECT_CLASS(type);
    object->get_n_children = areaChildCount;
    object->ref_child = areaChild;
    object->initialize = areaAccessibleInitialize;
}

void area_accessible_init(AreaAccessible*) {}

gint areaActionCount(AtkAction* action) {
    const AreaState* state = stateOfAccessible(ATK_OBJECT(action));
    return state && state->openMenu ? 1 : 0;
}

gboolean areaActionRun(AtkAction* action, gint index) {
    GtkWidget* area = gtk_accessible_get_widget(GTK_ACCESSIBLE(action));
    const AreaState* state = stateOf(area);
    if (!state || !state->openMenu || index != 0) return FALSE;
    // Run from the main loop, after the reader's call has been answered, if the widget still wants it.
    g_idle_add_full(
        G_PRIORITY_DEFAULT_IDLE,
        [](gpointer data) -> gboolean {
            if (const AreaState* current = stateOf(static_cast<GtkWidget*>(data));
                current && current->openMenu)
                current->openMenu();
            return G_SOURCE_REMOVE;
        },
        g_object_ref(area), g_object_unref);
    return TRUE;
}

const gchar* areaActionName(AtkAction*, gint index) {
    return index == 0 ? "menu" : nullptr;
}

const gchar* areaActionDescription(AtkAction* action, gint index) {
    const AreaState* state = stateOfAccessible(ATK_OBJECT(action));
    return state && index == 0 ? state->menuDescription.c_str() : nullptr;
}

void areaActionInit(AtkActionIface* iface) {
    iface->get_n_actions = areaActionCount;
    iface->do_action = areaActionRun;
    iface->get_name = areaActionName;
    iface->get_description = areaActionDescription;
}

struct WidgetDrawingArea {
    GtkDrawingArea parent;
};
struct WidgetDrawingAreaClass {
    GtkDrawingAreaClass parent;
};

G_DEFINE_TYPE(WidgetDrawingArea, widget_drawing_area, GTK_TYPE_DRAWING_AREA)

void widget_drawing_area_class_init(WidgetDrawingAreaClass* type) {
    gtk_widget_class_set_accessible_type(GTK_WIDGET_CLASS(type), area_accessible_get_type());
}

void widget_drawing_area_init(WidgetDrawingArea*) {}

} // namespace

GtkWidget* widgetAreaNew(const std::string& name) {
    GtkWidget* area = GTK_WIDGET(g_object_new(widget_drawing_area_get_type(), nullptr));
    g_object_set_data_full(G_OBJECT(area), stateKey, new AreaState(),
                           [](gpointer state) { delete static_cast<AreaState*>(state); });
    atk_object_set_name(gtk_widget_get_accessible(area), name.c_str());
    return area;
}

void widgetAreaSetElements(GtkWidget* area, const std::vector<ui::AccessibilityElement>& elements) {
    AreaState* state = stateOf(area);
    if (!state || state->elements == elements) return;
    AtkObject* parent = gtk_widget_get_accessible(area);
    // The old objects go and the new ones come, each announced, so a reader's cache follows.
    while (!state->children.empty()) {
        AtkObject* child = state->children.back();
        state->children.pop_back();
        g_signal_emit_by_name(parent, "children-changed::remove", static_cast<gint>(state->children.size()),
                              child);
        reinterpret_cast<ElementAccessible*>(child)->area = nullptr;
        g_object_unref(child);
    }
    state->elements = elements;
    for (std::size_t index = 0; index < elements.size(); ++index) {
        auto* child = static_cast<ElementAccessible*>(g_object_new(element_accessible_get_type(), nullptr));
        child->area = area;
        child->frame = elements[index].frame;
        child->index = static_cast<int>(index);
        AtkObject* object = ATK_OBJECT(child);
        atk_object_set_role(object, ATK_ROLE_LABEL);
        atk_object_set_name(object, elements[index].node.label.c_str());
        if (!elements[index].node.value.empty())
            atk_object_set_description(object, elements[index].node.value.c_str());
        atk_object_set_parent(object, parent);
        state->children.push_back(object);
        g_signal_emit_by_name(parent, "children-changed::add", static_cast<gint>(index), object);
    }
    g_signal_emit_by_name(parent, "visible-data-changed");
}

void widgetAreaSetMenu(GtkWidget* area, GtkWidget* menu) {
    AreaState* state = stateOf(area);
    if (!state) return;
    state->menu = menu;
    if (menu) atk_object_set_parent(gtk_widget_get_accessible(menu), gtk_widget_get_accessible(area));
}

void widgetAreaSetMenuAction(GtkWidget* area, std::function<void()> open, const std::string& description) {
    if (AreaState* state = stateOf(area)) {
        state->openMenu = std::move(open);
        state->menuDescription = description;
    }
}

} // namespace widgethost
