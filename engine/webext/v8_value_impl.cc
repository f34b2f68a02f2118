// JavaScript values, native functions and calls into page functions.
#include "engine/webext/v8_value_impl.h"

#include <cmath>
#include <limits>
#include <unordered_map>
#include <vector>

#include "engine/webext/js_text.h"
#include "engine/webext/renderer_state.h"
#include "engine/webext/v8_context_impl.h"

namespace engine {
namespace {

struct FunctionData {
  CefString name;
  CefRefPtr<CefV8Handler> handler;
};

void FreeFunctionData(gpointer data) { delete static_cast<FunctionData*>(data); }

// Every call of a native function lands here. The variadic form hands over
// the arguments exactly as the page passed them (typed functions would
// coerce them), so the handler sees their real types and count.
JSCValue* CallNative(GPtrArray* args, gpointer data) {
  auto* function = static_cast<FunctionData*>(data);
  JSCContext* jsc = jsc_context_get_current();
  CefRefPtr<CefV8Context> context = RendererState::ContextFor(jsc);
  // A function kept from a frame that has gone (or moved on to another
  // document) has no live context to run in: the handler is not called.
  if (!context) return jsc_value_new_undefined(jsc);
  ContextScope scope(context);
  CefV8ValueList arguments;
  for (guint i = 0; args && i < args->len; ++i) {
    arguments.push_back(new V8ValueImpl(static_cast<JSCValue*>(g_ptr_array_index(args, i))));
  }
  // The handler may replace itself (a page callback re-registering), so the
  // call keeps its own references.
  CefRefPtr<CefV8Handler> handler = function->handler;
  const CefString name = function->name;
  CefRefPtr<CefV8Value> retval;
  CefString exception;
  bool handled = handler && handler->Execute(name, CefV8Value::CreateUndefined(), arguments, retval,
                                             exception);
  if (handled && !exception.empty()) {
    jsc_context_throw(jsc, exception.ToString().c_str());
    return jsc_value_new_undefined(jsc);
  }
  auto* result = static_cast<V8ValueImpl*>(retval.get());
  // The caller takes over the returned value's reference.
  if (handled && result && result->value()) return JSC_VALUE(g_object_ref(result->value()));
  return jsc_value_new_undefined(jsc);
}

}  // namespace

// The living values of each context, an index without references of its
// own (a value leaves it when it goes). Renderer thread only.
std::unordered_multimap<JSCContext*, V8ValueImpl*>& Values() {
  static auto* values = new std::unordered_multimap<JSCContext*, V8ValueImpl*>();
  return *values;
}

V8ValueImpl::V8ValueImpl(JSCValue* value)
    : value_(platform::RefGObject(value)),
      context_(value ? jsc_value_get_context(value) : nullptr) {
  if (value_) Values().emplace(context_, this);
}

V8ValueImpl::~V8ValueImpl() { Detach(); }

void V8ValueImpl::Detach() {
  if (!value_) return;
  auto range = Values().equal_range(context_);
  for (auto it = range.first; it != range.second; ++it) {
    if (it->second == this) {
      Values().erase(it);
      break;
    }
  }
  value_.reset();
}

void V8ValueImpl::DetachAll(JSCContext* context) {
  std::vector<V8ValueImpl*> values;
  auto range = Values().equal_range(context);
  for (auto it = range.first; it != range.second; ++it) values.push_back(it->second);
  for (V8ValueImpl* value : values) value->Detach();
}

CefRefPtr<CefV8Value> V8ValueImpl::Adopt(JSCValue* value) {
  const platform::GObjectPtr<JSCValue> owned = platform::AdoptGObject(value);
  if (!owned) return nullptr;
  return new V8ValueImpl(owned.get());
}

bool V8ValueImpl::IsInt() {
  if (!IsNumber()) return false;
  const double d = jsc_value_to_double(value_.get());
  // -0 is a number of its own to JavaScript (1 / -0 is -Infinity); as an
  // integer it would silently become 0.
  if (d == 0 && std::signbit(d)) return false;
  return std::isfinite(d) && d == std::trunc(d) && d >= std::numeric_limits<int32_t>::min() &&
         d <= std::numeric_limits<int32_t>::max();
}

int V8ValueImpl::GetIntValue() { return IsInt() ? jsc_value_to_int32(value_.get()) : 0; }

CefString V8ValueImpl::GetStringValue() {
  CefString out;
  out.FromString16(JsStringUnits(value_.get()));
  return out;
}

bool V8ValueImpl::IsSame(CefRefPtr<CefV8Value> that) {
  auto* other = static_cast<V8ValueImpl*>(that.get());
  if (!other || !value_ || !other->value_) return false;
  if (other->value_.get() == value_.get()) return true;
  // Strict equality in JavaScript's sense, for objects: the same object.
  JSCContext* context = jsc_value_get_context(value_.get());
  const platform::GObjectPtr<JSCValue> same = platform::AdoptGObject(
      jsc_context_evaluate(context, "(function(a, b) { return a === b; })", -1));
  const platform::GObjectPtr<JSCValue> result = platform::AdoptGObject(jsc_value_function_call(
      same.get(), JSC_TYPE_VALUE, value_.get(), JSC_TYPE_VALUE, other->value_.get(), G_TYPE_NONE));
  return result && jsc_value_to_boolean(result.get());
}

CefRefPtr<CefV8Value> V8ValueImpl::GetValue(const CefString& key) {
  if (!IsObject()) return nullptr;
  return Adopt(jsc_value_object_get_property(value_.get(), key.ToString().c_str()));
}

bool V8ValueImpl::SetValue(const CefString& key, CefRefPtr<CefV8Value> value,
                           PropertyAttribute attribute) {
  auto* impl = static_cast<V8ValueImpl*>(value.get());
  if (!IsObject() || !impl || !impl->value_) return false;
  const std::string name = key.ToString();
  if (attribute == V8_PROPERTY_ATTRIBUTE_NONE) {
    // A plain assignment: the page may overwrite or delete the property.
    jsc_value_object_set_property(value_.get(), name.c_str(), impl->value_.get());
    return true;
  }
  int flags = 0;
  if (!(attribute & V8_PROPERTY_ATTRIBUTE_READONLY)) flags |= JSC_VALUE_PROPERTY_WRITABLE;
  if (!(attribute & V8_PROPERTY_ATTRIBUTE_DONTENUM)) flags |= JSC_VALUE_PROPERTY_ENUMERABLE;
  if (!(attribute & V8_PROPERTY_ATTRIBUTE_DONTDELETE)) flags |= JSC_VALUE_PROPERTY_CONFIGURABLE;
  jsc_value_object_define_property_data(
      value_.get(), name.c_str(), static_cast<JSCValuePropertyFlags>(flags), impl->value_.get());
  return true;
}

CefRefPtr<CefV8Value> V8ValueImpl::ExecuteFunctionWithContext(CefRefPtr<CefV8Context> context,
                                                              CefRefPtr<CefV8Value>,
                                                              const CefV8ValueList& arguments) {
  if (!context || !context->IsValid() || !IsFunction()) return nullptr;
  ContextScope scope(context);
  JSCContext* jsc = jsc_value_get_context(value_.get());
  std::vector<JSCValue*> params;
  // Undefined stands in for an argument without a value; the call owns it.
  std::vector<platform::GObjectPtr<JSCValue>> stand_ins;
  for (const auto& argument : arguments) {
    auto* impl = static_cast<V8ValueImpl*>(argument.get());
    if (impl && impl->value_) {
      params.push_back(impl->value_.get());
    } else {
      stand_ins.push_back(platform::AdoptGObject(jsc_value_new_undefined(jsc)));
      params.push_back(stand_ins.back().get());
    }
  }
  const platform::GObjectPtr<JSCException> before =
      platform::RefGObject(jsc_context_get_exception(jsc));
  platform::GObjectPtr<JSCValue> result =
      platform::AdoptGObject(jsc_value_function_callv(value_.get(), params.size(), params.data()));
  stand_ins.clear();
  // An exception of the called function stays here: it must not surface in
  // the script that caused this call.
  JSCException* thrown = jsc_context_get_exception(jsc);
  if (thrown && thrown != before.get()) {
    jsc_context_clear_exception(jsc);
    if (before) jsc_context_throw_exception(jsc, before.get());
    return nullptr;
  }
  return Adopt(result.release());
}

}  // namespace engine

CefRefPtr<CefV8Value> CefV8Value::CreateUndefined() {
  JSCContext* jsc = engine::CurrentJscContext();
  return jsc ? engine::V8ValueImpl::Adopt(jsc_value_new_undefined(jsc)) : nullptr;
}

CefRefPtr<CefV8Value> CefV8Value::CreateBool(bool value) {
  JSCContext* jsc = engine::CurrentJscContext();
  return jsc ? engine::V8ValueImpl::Adopt(jsc_value_new_boolean(jsc, value)) : nullptr;
}

CefRefPtr<CefV8Value> CefV8Value::CreateInt(int value) {
  JSCContext* jsc = engine::CurrentJscContext();
  return jsc ? engine::V8ValueImpl::Adopt(jsc_value_new_number(jsc, value)) : nullptr;
}

CefRefPtr<CefV8Value> CefV8Value::CreateString(const CefString& value) {
  JSCContext* jsc = engine::CurrentJscContext();
  return jsc ? engine::V8ValueImpl::Adopt(engine::NewJsString(jsc, value.ToString16())) : nullptr;
}

CefRefPtr<CefV8Value> CefV8Value::CreateFunction(const CefString& name,
                                                 CefRefPtr<CefV8Handler> handler) {
  JSCContext* jsc = engine::CurrentJscContext();
  if (!jsc || !handler) return nullptr;
  auto* data = new engine::FunctionData{name, handler};
  return engine::V8ValueImpl::Adopt(
      jsc_value_new_function_variadic(jsc, name.ToString().c_str(), G_CALLBACK(engine::CallNative),
                                      data, engine::FreeFunctionData, JSC_TYPE_VALUE));
}
