#pragma once

#include "core/String.h"

#include <cstdint>

namespace tb {

class PageTemplate;
class UserItem;
class UserList;

// Compiles the skin `skinName` below `dataDir` once and gives it to every
// web user of the list; users added later start with the built-in
// template until the next call.
void CompileTemplates(UserList& users, const String& dataDir, const String& skinName);

// The page template of a user; entries that carry none share the built-in
// one.
PageTemplate& TemplateOf(UserItem& user);

// The file of skin picture `number` ("J": .jpg, "G": .gif) in the skin of
// the user's template, or empty with the built-in template, which has no
// skin folder to look in.
String SkinPicturePath(UserItem& user, char action, int32_t number);

} // namespace tb
