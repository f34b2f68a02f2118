// Encoding of process-message arguments as GVariants.
#include "engine/process_message_codec.h"

namespace engine {

GVariant* EncodeArguments(const CefRefPtr<CefListValue>& arguments) {
  GVariantBuilder builder;
  g_variant_builder_init(&builder, G_VARIANT_TYPE("av"));
  for (std::size_t i = 0; arguments && i < arguments->GetSize(); ++i) {
    GVariant* entry;
    if (arguments->IsString(i)) {
      entry = g_variant_new_string(arguments->GetString(i).ToString().c_str());
    } else if (arguments->IsInt(i)) {
      entry = g_variant_new_int32(arguments->GetInt(i));
    } else {
      entry = g_variant_new("()");
    }
    g_variant_builder_add(&builder, "v", entry);
  }
  return g_variant_builder_end(&builder);
}

CefRefPtr<CefListValue> DecodeArguments(GVariant* parameters) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  if (!parameters || !g_variant_is_of_type(parameters, G_VARIANT_TYPE("av"))) return list;
  gsize n = g_variant_n_children(parameters);
  list->SetSize(n);
  for (gsize i = 0; i < n; ++i) {
    GVariant* boxed = g_variant_get_child_value(parameters, i);
    GVariant* entry = g_variant_get_variant(boxed);
    if (g_variant_is_of_type(entry, G_VARIANT_TYPE_STRING)) {
      list->SetString(i, g_variant_get_string(entry, nullptr));
    } else if (g_variant_is_of_type(entry, G_VARIANT_TYPE_INT32)) {
      list->SetInt(i, g_variant_get_int32(entry));
    }
    g_variant_unref(entry);
    g_variant_unref(boxed);
  }
  return list;
}

CefRefPtr<CefProcessMessage> DecodeMessage(const char* name, GVariant* parameters) {
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(name ? name : "");
  CefRefPtr<CefListValue> list = message->GetArgumentList();
  CefRefPtr<CefListValue> decoded = DecodeArguments(parameters);
  list->SetSize(decoded->GetSize());
  for (std::size_t i = 0; i < decoded->GetSize(); ++i) {
    if (decoded->IsString(i)) list->SetString(i, decoded->GetString(i));
    if (decoded->IsInt(i)) list->SetInt(i, decoded->GetInt(i));
  }
  return message;
}

}  // namespace engine
