#include "config/Registry.h"

#include "config/KeyPath.h"
#include "config/KeyStore.h"
#include "config/RegistryException.h"
#include "config/RegistryStore.h"

namespace tb {
namespace {

// Access rights within an access mask.
constexpr uint32_t QueryValueRight = 0x0001;
constexpr uint32_t SetValueRight = 0x0002;
constexpr uint32_t CreateSubKeyRight = 0x0004;
constexpr uint32_t EnumerateSubKeysRight = 0x0008;

// The same failure, reported for `name` with `code`; what the store said
// stays in the detail.
RegistryException Renamed(const RegistryException& e, const String& name, int32_t code) {
    std::string detail = e.Detail();
    if (e.Name() != name && !e.Name().IsEmpty())
        detail +=
            (detail.empty() ? "" : " ") + std::string("[") + std::string(e.Name().View()) + "]";
    if (code != e.Code())
        detail += " (error " + std::to_string(e.Code()) + ")";
    return RegistryException(code, name, detail);
}

void CheckValueName(const String& name) {
    if (name.Find('\0') >= 0)
        throw RegistryException(RegistryException::InvalidParameter, name,
                                "value name with a NUL byte");
}

} // namespace

Registry::Registry(const String& basePath) : basePath_(basePath) {
    if (!basePath_.IsEmpty() && basePath_.At(basePath_.Length() - 1) != KeyPath::Separator)
        basePath_ += KeyPath::Separator;
}

Registry::~Registry() {
    Close();
}

bool Registry::Open(RegistryStore& root, const String& path, uint32_t access, bool throwOnFailure) {
    return Attach(root, basePath_ + path, access, throwOnFailure, true);
}

bool Registry::Attach(RegistryStore& root, const String& fullPath, uint32_t access,
                      bool throwOnFailure, bool create) {
    Close();
    try {
        String path = KeyPath::Normalize(fullPath);
        std::optional<StoredKey> key = create ? root.Keys().Create(path) : root.Keys().Find(path);
        if (!key)
            throw RegistryException(RegistryException::FileNotFound, fullPath, "no such key");
        store_ = &root;
        keyId_ = key->id;
        path_ = key->path;
        access_ = access;
        return true;
    } catch (const RegistryException& e) {
        if (!throwOnFailure)
            return false;
        throw Renamed(e, fullPath, e.Code());
    }
}

void Registry::Close() noexcept {
    store_ = nullptr;
    keyId_ = 0;
    path_ = String();
    access_ = 0;
}

RegistryStore& Registry::Store() const {
    RequireOpen("(Store)");
    return *store_;
}

void Registry::RequireOpen(const String& name) const {
    if (!store_)
        throw RegistryException(RegistryException::NotOpen, name, "the key is not open");
}

void Registry::RequireAccess(uint32_t right, const String& name) const {
    if ((access_ & right) == 0)
        throw RegistryException(RegistryException::AccessDenied, name,
                                "the key was opened without that right");
}

KeyStore& Registry::Keys() const {
    return store_->Keys();
}

bool Registry::SubKeyExists(const String& name) const {
    RequireOpen(name);
    String path;
    try {
        path = KeyPath::Child(path_, name);
    } catch (const RegistryException&) {
        return false; // a name that cannot exist
    }
    try {
        return Keys().Find(path).has_value();
    } catch (const RegistryException& e) {
        throw Renamed(e, name, e.Code());
    }
}

std::unique_ptr<Registry> Registry::OpenSubKey(const String& name) const {
    RequireOpen(name);
    auto sub = std::make_unique<Registry>();
    sub->Attach(*store_, KeyPath::Child(path_, name), FullAccess, true, false);
    return sub;
}

std::unique_ptr<Registry> Registry::CreateSubKey(const String& name) {
    RequireOpen(name);
    RequireAccess(CreateSubKeyRight, name);
    String path = KeyPath::Child(path_, name);
    try {
        RegistryStore::Transaction transaction(*store_);
        // Creating by full path would bring a deleted parent back to life.
        if (!Keys().Exists(keyId_))
            throw RegistryException(RegistryException::KeyDeleted, path, "the key was deleted");
        auto sub = std::make_unique<Registry>();
        sub->Attach(*store_, path, FullAccess, true, true);
        transaction.Commit();
        return sub;
    } catch (const RegistryException& e) {
        throw Renamed(e, path, e.Code());
    }
}

void Registry::DeleteSubKey(const String& name) {
    RequireOpen(name);
    try {
        RequireAccess(SetValueRight, name);
        std::optional<StoredKey> key = Keys().Find(KeyPath::Child(path_, name));
        if (!key)
            throw RegistryException(RegistryException::FileNotFound, name, "no such key");
        Keys().Delete(key->id);
    } catch (const RegistryException& e) {
        throw Renamed(e, name, RegistryException::NotOpen);
    }
}

std::optional<ValueInfo> Registry::Lookup(const String& name, bool throwIfMissing) const {
    RequireOpen(name);
    RequireAccess(QueryValueRight, name);
    CheckValueName(name);
    try {
        if (std::optional<ValueInfo> value = Keys().ReadValue(keyId_, name))
            return value;
        if (!Keys().Exists(keyId_))
            throw RegistryException(RegistryException::KeyDeleted, name, "the key was deleted");
    } catch (const RegistryException& e) {
        throw Renamed(e, name, e.Code());
    }
    if (throwIfMissing)
        throw RegistryException(RegistryException::FileNotFound, name, "no such value");
    return std::nullopt;
}

bool Registry::GetFlag(const String& name, bool& out) const {
    uint32_t number = 0;
    if (!GetNumber(name, number, false))
        return false;
    out = number != 0;
    return true;
}

bool Registry::GetNumber(const String& name, uint32_t& out) const {
    return GetNumber(name, out, false);
}

bool Registry::GetNumber(const String& name, uint32_t& out, bool throwIfMissing) const {
    std::optional<ValueInfo> value = Lookup(name, throwIfMissing);
    if (!value)
        return false;
    if (value->type != RegDword)
        throw RegistryException(RegistryException::WrongType, name, "the value is not a number");
    if (value->data.Length() != 4)
        throw RegistryException(RegistryException::BadSize, name, "the number is not 4 bytes");
    out = *value->Number();
    return true;
}

bool Registry::GetString(const String& name, String& out, bool throwIfMissing) const {
    std::optional<ValueInfo> value = Lookup(name, throwIfMissing);
    if (!value)
        return false;
    if (value->type != RegSz)
        throw RegistryException(RegistryException::WrongType, name, "the value is not a text");
    out = value->Text();
    return true;
}

void Registry::Write(const String& name, uint32_t type, std::string_view data) {
    RequireOpen(name);
    try {
        RequireAccess(SetValueRight, name);
        CheckValueName(name);
        Keys().WriteValue(keyId_, name, type, data);
    } catch (const RegistryException& e) {
        throw Renamed(e, name, RegistryException::NotOpen);
    }
}

void Registry::SetFlag(const String& name, bool value) {
    SetDword(name, value ? 1 : 0);
}

void Registry::SetNumber(const String& name, uint32_t value) {
    SetDword(name, value);
}

void Registry::SetDword(const String& name, uint32_t value) {
    Write(name, RegDword, ValueInfo::DwordBytes(value).View());
}

void Registry::SetString(const String& name, const String& value) {
    String data = value;
    data += '\0';
    Write(name, RegSz, data.View());
}

std::vector<String> Registry::SubKeyNames() const {
    const String name = "(EnumKey)";
    RequireOpen(name);
    RequireAccess(EnumerateSubKeysRight, name);
    try {
        if (!Keys().Exists(keyId_))
            throw RegistryException(RegistryException::KeyDeleted, name, "the key was deleted");
        std::vector<String> names;
        for (const String& path : Keys().ChildPaths(keyId_))
            names.push_back(KeyPath::Leaf(path));
        return names;
    } catch (const RegistryException& e) {
        throw Renamed(e, name, e.Code());
    }
}

} // namespace tb
