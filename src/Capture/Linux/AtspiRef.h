#pragma once

#include <atspi/atspi.h>

#include <map>
#include <utility>

namespace Capture {

// An owned reference to a GObject of libatspi.
template <class T> class AtspiRef {
public:
    explicit AtspiRef(T* object = nullptr) : m_object(object) {}
    // A reference of its own to an object that the caller only borrows.
    static AtspiRef retaining(T* object) {
        if (object)
            g_object_ref(object);
        return AtspiRef(object);
    }
    AtspiRef(const AtspiRef& other) : m_object(other.m_object) {
        if (m_object)
            g_object_ref(m_object);
    }
    AtspiRef(AtspiRef&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    AtspiRef& operator=(AtspiRef other) noexcept {
        std::swap(m_object, other.m_object);
        return *this;
    }
    ~AtspiRef() {
        if (m_object)
            g_object_unref(m_object);
    }
    T* get() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }

private:
    T* m_object;
};

// Collects the error of one libatspi call; every failure reads as "not available", since the
// error itself says nothing more useful to the capture.
struct AtspiErrorSink {
    GError* error = nullptr;
    AtspiErrorSink() = default;
    AtspiErrorSink(const AtspiErrorSink&) = delete;
    AtspiErrorSink& operator=(const AtspiErrorSink&) = delete;
    ~AtspiErrorSink() { g_clear_error(&error); }
    GError** out() {
        g_clear_error(&error);
        return &error;
    }
    bool failed() const { return error != nullptr; }
};

// The first target of each of the accessible's relations, by type (flows to, embeds...); none
// when its relations could not be read.
inline std::map<AtspiRelationType, AtspiRef<AtspiAccessible>>
relationTargets(AtspiAccessible* accessible) {
    std::map<AtspiRelationType, AtspiRef<AtspiAccessible>> targets;
    AtspiErrorSink error;
    GArray* relations = atspi_accessible_get_relation_set(accessible, error.out());
    for (guint i = 0; relations && i < relations->len; ++i) {
        AtspiRelation* relation = g_array_index(relations, AtspiRelation*, i);
        const AtspiRelationType type = atspi_relation_get_relation_type(relation);
        if (!targets.contains(type) && atspi_relation_get_n_targets(relation) > 0)
            targets[type] = AtspiRef<AtspiAccessible>(atspi_relation_get_target(relation, 0));
        g_object_unref(relation);
    }
    if (relations)
        g_array_free(relations, TRUE);
    return targets;
}

} // namespace Capture
