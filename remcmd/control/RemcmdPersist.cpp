// Saving and loading the control's saved properties, always through the
// property members so every put rule applies on load.
#include "PropertyStream.h"
#include "remcmd/Remcmd.h"

#include <charconv>
#include <climits>
#include <optional>

namespace remcmd {

namespace {

enum Saved {
  sFirewallHost,
  sFirewallPassword,
  sFirewallPort,
  sFirewallType,
  sFirewallUser,
  sLocalUser,
  sRemoteHost,
  sRemoteUser,
  sTimeout,
  sCount
};

// The type comes before the port: the type's put resets the port to the
// type's default, which would overwrite a saved custom port. The type also
// comes before RemoteHost, which resolves the name only without a firewall.
constexpr Saved kLoadOrder[] = {sFirewallHost, sFirewallPassword, sFirewallType,
                                sFirewallPort, sFirewallUser,     sLocalUser,
                                sRemoteHost,   sRemoteUser,       sTimeout};

// A bag value in the form its property wants: nullopt when it has none.
std::optional<PropertyValue> fitBagValue(const PropertyValue& v, SavedKind kind) {
  if (kind == SavedKind::Text) {
    if (const auto* s = std::get_if<std::string>(&v)) return *s;
    if (const auto* n = std::get_if<int32_t>(&v)) return std::to_string(*n);
    return std::to_string(std::get<int16_t>(v));
  }
  int64_t n = 0;
  if (const auto* s = std::get_if<std::string>(&v)) {
    const char* end = s->data() + s->size();
    const auto [ptr, ec] = std::from_chars(s->data(), end, n);
    if (ec != std::errc() || ptr != end || s->empty()) return std::nullopt;
  } else if (const auto* i = std::get_if<int32_t>(&v)) {
    n = *i;
  } else {
    n = std::get<int16_t>(v);
  }
  if (kind == SavedKind::Int32) {
    if (n < INT32_MIN || n > INT32_MAX) return std::nullopt;
    return static_cast<int32_t>(n);
  }
  if (n < INT16_MIN || n > INT16_MAX) return std::nullopt;
  return static_cast<int16_t>(n);
}

}  // namespace

HRESULT Remcmd::collectSaved(std::vector<PropertyValue>& values) {
  std::string host, password, user, localUser, remoteHost, remoteUser;
  int32_t port = 0;
  TFirewallType type = fwNone;
  int16_t timeout = 0;
  for (HRESULT r : {get_FirewallHost(host), get_FirewallPassword(password), get_FirewallPort(port),
                    get_FirewallType(type), get_FirewallUser(user), get_LocalUser(localUser),
                    get_RemoteHost(remoteHost), get_RemoteUser(remoteUser), get_Timeout(timeout)})
    if (failed(r)) return r;
  values.assign(sCount, PropertyValue{});
  values[sFirewallHost] = host;
  values[sFirewallPassword] = password;
  values[sFirewallPort] = port;
  values[sFirewallType] = static_cast<int32_t>(type);
  values[sFirewallUser] = user;
  values[sLocalUser] = localUser;
  values[sRemoteHost] = remoteHost;
  values[sRemoteUser] = remoteUser;
  values[sTimeout] = timeout;
  return hr::kOk;
}

HRESULT Remcmd::Save(std::vector<uint8_t>& stream) {
  std::vector<PropertyValue> values;
  if (const HRESULT r = collectSaved(values); failed(r)) return r;
  std::vector<uint8_t> out;
  if (!encodePropertyStream(values, out)) return hr::kOutOfMemory;
  stream.insert(stream.end(), out.begin(), out.end());
  return hr::kOk;
}

HRESULT Remcmd::Load(const uint8_t* data, std::size_t size) {
  const auto values = decodePropertyStream(data, size);
  if (!values) return hr::kFail;
  return applySaved(*values);
}

HRESULT Remcmd::Save(PropertyBag& bag) {
  std::vector<PropertyValue> values;
  if (const HRESULT r = collectSaved(values); failed(r)) return r;
  const auto& props = savedProperties();
  for (std::size_t i = 0; i < props.size(); ++i) bag[props[i].name] = values[i];
  return hr::kOk;
}

HRESULT Remcmd::Load(const PropertyBag& bag) {
  // Checked whole before anything changes; a property the bag lacks keeps its value.
  const auto& props = savedProperties();
  std::vector<std::optional<PropertyValue>> values(props.size());
  for (std::size_t i = 0; i < props.size(); ++i) {
    const auto it = bag.find(props[i].name);
    if (it == bag.end()) continue;
    values[i] = fitBagValue(it->second, props[i].kind);
    if (!values[i]) return hr::kFail;
  }
  HRESULT first = hr::kOk;
  for (Saved s : kLoadOrder) {
    if (!values[s]) continue;
    HRESULT r = hr::kOk;
    const PropertyValue& v = *values[s];
    switch (s) {
      case sFirewallHost:
        r = put_FirewallHost(std::get<std::string>(v));
        break;
      case sFirewallPassword:
        r = put_FirewallPassword(std::get<std::string>(v));
        break;
      case sFirewallType:
        r = put_FirewallType(std::get<int32_t>(v));
        break;
      case sFirewallPort:
        r = put_FirewallPort(std::get<int32_t>(v));
        break;
      case sFirewallUser:
        r = put_FirewallUser(std::get<std::string>(v));
        break;
      case sLocalUser:
        r = put_LocalUser(std::get<std::string>(v));
        break;
      case sRemoteHost:
        r = put_RemoteHost(std::get<std::string>(v));
        break;
      case sRemoteUser:
        r = put_RemoteUser(std::get<std::string>(v));
        break;
      case sTimeout:
        r = put_Timeout(std::get<int16_t>(v));
        break;
      case sCount:
        break;
    }
    if (failed(r) && !failed(first)) first = r;
  }
  return first;
}

HRESULT Remcmd::applySaved(const std::vector<PropertyValue>& values) {
  PropertyBag bag;
  const auto& props = savedProperties();
  for (std::size_t i = 0; i < props.size() && i < values.size(); ++i)
    bag[props[i].name] = values[i];
  return Load(bag);
}

}  // namespace remcmd
