// The page template language: compiling, the three sections, the
// conditional walk with its skip rule, the texts values are made of, and
// renders of one user's template running while it is compiled again.
#include "core/BuiltInResources.h"
#include "support/TempDir.h"
#include "web/PageRender.h"
#include "web/TemplateText.h"
#include "web/UserList.h"
#include "web/WebSkins.h"
#include "web/WebUser.h"

#include <atomic>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace tb {
namespace {

using V = TemplateVariable;

struct Value {
    V variable;
    const char* text;
};

// The page with these values; each section renders twice with the item
// variables set to "1"/"a" and "2"/"b".
std::string Render(PageTemplate& page, std::initializer_list<Value> values) {
    PageRender render(page);
    for (const Value& v : values)
        render.SetText(v.variable, v.text);
    String history = render.RenderHistoryItem("1", "a");
    history += render.RenderHistoryItem("2", "b");
    String folders = render.RenderFolderItem("1", "a");
    folders += render.RenderFolderItem("2", "b");
    String files = render.RenderFileItem("a", "1", nullptr);
    files += render.RenderFileItem("b", "2", nullptr);
    return std::string(render.RenderPage(history, files, folders).View());
}

std::string Render(std::string_view text, std::initializer_list<Value> values = {}) {
    PageTemplate page;
    page.Use(std::make_shared<const TemplateProgram>(text, ""));
    return Render(page, values);
}

TEST(PageTemplateTest, TagsMatchInAnyCaseButOnlyInTheirExactForm) {
    struct Case {
        const char* text;
        const char* page;
    } cases[] = {
        {"[%FolderName%]", "[F]"},
        {"[%foldername%][%FOLDERNAME%]", "[F][F]"},
        {"%FolderNamex% %Folder Name% 100% %", "%FolderNamex% %Folder Name% 100% %"},
        {"%%FolderName%%", "%F%"},
        {"%FolderName", "%FolderName"}, // no closing sign at the end
        {"<!-- IF COMMENT -->c<!-- end IF comment -->.", "."},
        {"<!--If comment-->c<!-- End if comment -->.", "<!--If comment-->c."},
        {"<!-- unknown -->< !-- If comment -->x", "<!-- unknown -->< !-- If comment -->x"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Render(c.text, {{V::FolderName, "F"}}), c.page) << c.text;
}

TEST(PageTemplateTest, SectionsRenderPerItemAndGoWhereTheirBodyStands) {
    struct Case {
        const char* text;
        const char* page;
    } cases[] = {
        {"<<!-- Start folder section -->(%FolderItemLink%:%FolderItemName%)"
         "<!-- End folder section -->>",
         "<(1:a)(2:b)>"},
        {"h<!-- Start history section -->%HistoryItemName%/<!-- End history section -->|"
         "<!-- Start file section -->%FileItemName%=%SongTitle%,%SongLength%;"
         "<!-- End file section -->",
         "ha/b/|a=a,0:00;b=b,0:00;"},
        // Conditions inside a section are not evaluated.
        {"<!-- Start folder section -->(<!-- If comment -->%FolderItemName%"
         "<!-- End if comment -->)<!-- End folder section -->",
         "(a)(b)"},
        // An empty body renders nothing, and the items around it stay.
        {"x<!-- Start folder section --><!-- End folder section -->y", "xy"},
        // Without a start marker the body runs from the first item, and its
        // text replaces the items before the end marker.
        {"once<!-- End folder section -->kept", "onceoncekept"},
        // A start marker that ends the template never gets its text.
        {"x<!-- Start folder section -->", "x"},
        // After a page render the item variables keep the last item's values.
        {"<!-- Start file section -->-<!-- End file section -->%FileItemName%", "--b"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Render(c.text), c.page) << c.text;
}

TEST(PageTemplateTest, AFalseConditionSkipsToTheFirstEndMarkerOfAnyCondition) {
    const char* text = "<!-- If folders -->A<!-- If image -->B<!-- End if image -->"
                       "C<!-- End if folders -->";
    EXPECT_EQ(Render(text, {{V::HasFolders, "0"}}), "C");
    EXPECT_EQ(Render(text, {{V::HasFolders, "1"}, {V::HasFolderImage, "0"}}), "AC");
    EXPECT_EQ(Render(text, {{V::HasFolders, "1"}, {V::HasFolderImage, "1"}}), "ABC");
    struct Case {
        V variable;
        const char* value;
        const char* marker; // the condition's name in its markers
        bool shown;
    } cases[] = {
        {V::HasFolders, "0", "folders", false},
        {V::HasFolders, "", "folders", true},
        {V::HasSongs, "01", "files", false},
        {V::HasSongs, "10", "files", true},
        {V::HasFolderBackImage, "0", "back image", false},
        {V::IsRecommended, "1", "recommended", true},
        {V::FolderComment, "", "comment", false},
        {V::FolderComment, "0", "comment", true},
    };
    for (const Case& c : cases) {
        std::string block =
            std::string("<!-- If ") + c.marker + " -->X<!-- End if " + c.marker + " -->.";
        EXPECT_EQ(Render(block, {{c.variable, c.value}}), c.shown ? "X." : ".") << block;
    }
}

TEST(PageTemplateTest, ValueTextsAreEscapedForTheirPlace) {
    struct Case {
        const char* text;
        const char* page;
        const char* script;
    } cases[] = {
        {"It's \"Me\"", "It's &quot;Me&quot;", "It\\'s &quot;Me&quot;"},
        {"a<b>&c", "a&lt;b&gt;&amp;c", "a&lt;b&gt;&amp;c"},
        {"x\\'); alert(1)//", "x\\'); alert(1)//", "x\\\\\\'); alert(1)//"},
        {"&#39;", "&amp;#39;", "&amp;#39;"},
        {"two\r\nlines", "two\r\nlines", "two\\r\\nlines"},
        {"Caf\xe9", "Caf\xc3\xa9", "Caf\xe9"}, // UTF-8 comes from the page's own conversion
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::string(PageText(c.text).View()), c.page) << c.text;
        EXPECT_EQ(std::string(QuoteForScript(c.text).View()), c.script) << c.text;
    }
    struct Duration {
        int32_t seconds;
        const char* text;
    } durations[] = {{0, "0:00"},       {7, "0:07"},       {65, "1:05"}, {600, "10:00"},
                     {3600, "1:00:00"}, {3725, "1:02:05"}, {-5, "0:00"}};
    for (const Duration& d : durations)
        EXPECT_EQ(std::string(FormatDuration(d.seconds).View()), d.text) << d.seconds;
}

// A skin is its folder: its template and its pictures, or, when the
// template is missing or unreadable, the built-in template without
// pictures (which then go to the node of their number).
TEST(PageTemplateTest, SkinsComeFromTheirFolderOrFallBackToTheBuiltInOne) {
    test::TempDir data;
    data.Write("skins/Big/Template.html", std::string(5 << 20, 'x') + "%FolderName%");
    data.Write("skins/NoTemplate/J1.jpg", "picture");
    data.MakeDir("skins/Folder/Template.html");
    UserList users;
    auto user = std::make_shared<WebUser>();
    users.Add(user);
    const struct {
        const char* skin;
        bool own;
    } cases[] = {{"Big", true},
                 {"NoTemplate", false},
                 {"Folder", false},
                 {"Gone", false},
                 {"(Standard)", false}};
    for (const auto& c : cases) {
        CompileTemplates(users, data.Path().c_str(), c.skin);
        std::string page = Render(*user->page, {{V::FolderName, "F"}});
        String picture = SkinPicturePath(*user, 'J', 1);
        if (c.own) {
            EXPECT_EQ(page.size(), (5u << 20) + 1) << c.skin;
            EXPECT_EQ(std::string(picture.View()), data / "skins/Big/J1.jpg") << c.skin;
        } else {
            EXPECT_EQ(page.substr(0, 15), std::string(BuiltInTemplate().substr(0, 15))) << c.skin;
            EXPECT_EQ(picture, "") << c.skin;
        }
    }
    EXPECT_EQ(std::string(SkinPicturePath(*user, 'G', 12).View()), "");
    CompileTemplates(users, data.Path().c_str(), "Big");
    EXPECT_EQ(std::string(SkinPicturePath(*user, 'G', 12).View()), data / "skins/Big/G12.gif");
}

// Two pages of one user are made while the skin is compiled again and
// again: every page comes whole from one of the two templates, with its own
// values. (The thread sanitizer run checks the sharing.)
TEST(PageTemplateTest, RendersOfOneUserRunTogetherWhileItIsCompiledAgain) {
    auto one = std::make_shared<const TemplateProgram>("1:%FolderName%", "");
    auto two = std::make_shared<const TemplateProgram>("2:%FolderName%:%FolderName%", "");
    PageTemplate page;
    page.Use(one);
    std::atomic<bool> stop{false};
    std::thread compiler([&] {
        for (int i = 0; !stop; ++i)
            page.Use(i % 2 ? one : two);
    });
    std::atomic<int> bad{0};
    std::vector<std::thread> browsers;
    for (const char* name : {"left", "right"})
        browsers.emplace_back([&, name] {
            std::string n = name;
            for (int i = 0; i < 2000; ++i) {
                std::string text = Render(page, {{V::FolderName, name}});
                if (text != "1:" + n && text != "2:" + n + ":" + n)
                    ++bad;
            }
        });
    for (std::thread& browser : browsers)
        browser.join();
    stop = true;
    compiler.join();
    EXPECT_EQ(bad, 0);
}

} // namespace
} // namespace tb
