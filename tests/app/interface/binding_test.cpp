#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <string>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "fake_library.h"
#include "interface/binding.h"
#include "interface/module_request.h"

using namespace rq36;

namespace {

class Binding : public ::testing::Test {
protected:
    void SetUp() override { SetInterfaceLibraryFolder(RQ36_FAKE_ORS_DIR); }
    void TearDown() override {
        // Leave no library behind for the next test of this process.
        for (std::uint8_t kind = 0; kind < 7 && InterfaceLoaded(); ++kind) {
            ors_handle_t h = 0;
            CloseInterface(kind, &h);
        }
        SetInterfaceLibraryFolder({});
    }
    std::array<std::int32_t, ORS_INIT_WORDS> params_{};
};

}  // namespace

TEST(BindingNames, DefaultFolderIsTheExecutables) {
    SetInterfaceLibraryFolder({});
    EXPECT_EQ(InterfaceLibraryFolder(), platform::ExecutableFolder());
    EXPECT_FALSE(InterfaceLibraryFolder().empty());
}

TEST(BindingNames, BareNameSearchAndTheCurrentDirectory) {
    EXPECT_TRUE(platform::BareNameSearchIsSafe(nullptr));
    EXPECT_TRUE(platform::BareNameSearchIsSafe("/usr/lib"));
    EXPECT_TRUE(platform::BareNameSearchIsSafe("/a:/b;/c"));
    for (const char* unsafe : {"", ":", "/a:", ":/a", "/a::/b", ".", "/a:.", "lib", "/a;b", "/a:../b"})
        EXPECT_FALSE(platform::BareNameSearchIsSafe(unsafe)) << '"' << unsafe << '"';
}

TEST_F(Binding, OneWordInitConfigureAndClose) {
    FakeLibrary lib('A');
    ASSERT_TRUE(lib.Ok());
    params_[0] = 3;
    params_[1] = 99;
    ors_handle_t handle = 0;
    ASSERT_EQ(BindInterface(0, &handle, params_.data()), 0);
    EXPECT_EQ(handle, 0x5A5A);
    EXPECT_EQ(lib.Script().initCalls, 1);
    EXPECT_EQ(lib.Script().initParam, 3);
    EXPECT_EQ(lib.Script().versionCalls, 0);  // bound, never called
    EXPECT_TRUE(InterfaceLoaded());

    lib.Script().setConfigResult = 7;
    EXPECT_EQ(ConfigureInterface(0, handle, 1200, 1000, 2, 1), 7);
    EXPECT_EQ(lib.Script().lastHandle, 0x5A5A);
    EXPECT_EQ(lib.Script().setConfigArgs[0], 1200);
    EXPECT_EQ(lib.Script().setConfigArgs[1], 1000);
    EXPECT_EQ(lib.Script().setConfigArgs[2], 2);
    EXPECT_EQ(ConfigureInterface(5, handle, 1200, 1000, 2, 1), 10);  // no Modbus shape bound
    EXPECT_EQ(ConfigureInterface(9, handle, 1200, 1000, 2, 1), 10);

    lib.Script().doneResult = 4;
    EXPECT_EQ(CloseInterface(0, &handle), 4);
    EXPECT_EQ(lib.Script().doneCalls, 1);
    EXPECT_EQ(handle, 0);
    EXPECT_FALSE(InterfaceLoaded());

    // The entry points went with the library: nothing calls into it now.
    std::array<std::int32_t, ORS_REQUEST_WORDS> request{};
    std::array<std::int32_t, ORS_RESPONSE_WORDS> response{};
    std::int32_t reply = 0, status = 0;
    EXPECT_EQ(SendFrame(0, 0x5A5A, request.data(), response.data(), reply, status), 10);
    EXPECT_EQ(ConfigureInterface(0, 0x5A5A, 9600, 500, 2, 1), 10);
    EXPECT_EQ(CloseInterface(0, &handle), 10);
    EXPECT_EQ(lib.Script().doneCalls, 1);
    EXPECT_EQ(lib.Script().sendCalls, 0);
}

TEST_F(Binding, HandleOnlyInit) {
    FakeLibrary lib('C');
    ASSERT_TRUE(lib.Ok());
    params_.fill(5);
    ors_handle_t handle = 0;
    EXPECT_EQ(BindInterface(2, &handle, params_.data()), 0);
    EXPECT_EQ(lib.Script().initCalls, 1);
    EXPECT_EQ(lib.Script().initBlockSeen, 0);
    EXPECT_EQ(handle, 0x5A5A);
}

TEST_F(Binding, BlockInitCarriesWordsAndAddressText) {
    FakeLibrary e('E');
    ASSERT_TRUE(e.Ok());
    params_ = {0, 5000, 1000, 4};
    ors_handle_t handle = 0;
    ASSERT_EQ(BindInterface(4, &handle, params_.data(), "192.168.7.2"), 0);
    EXPECT_EQ(e.Script().initBlockSeen, 1);
    EXPECT_EQ(e.Script().initWords[0], ORS_INIT_TEXT_OFFSET);
    EXPECT_EQ(e.Script().initWords[1], 5000);
    EXPECT_EQ(e.Script().initWords[2], 1000);
    EXPECT_EQ(e.Script().initWords[3], 4);
    EXPECT_STREQ(e.Script().initText, "192.168.7.2");
    CloseInterface(4, &handle);

    // A text longer than the block holds is cut, still zero-terminated.
    const std::string longText(400, 'x');
    ASSERT_EQ(BindInterface(4, &handle, params_.data(), longText), 0);
    EXPECT_EQ(std::string(e.Script().initText), std::string(ORS_INIT_TEXT_MAX, 'x'));
    CloseInterface(4, &handle);

    // No address text at all (a view without a pointer): an empty text.
    ASSERT_EQ(BindInterface(4, &handle, params_.data(), std::string_view()), 0);
    EXPECT_STREQ(e.Script().initText, "");
    CloseInterface(4, &handle);

    FakeLibrary g('G');
    ASSERT_TRUE(g.Ok());
    params_ = {0, 0, 0, 3};
    ASSERT_EQ(BindInterface(6, &handle, params_.data()), 0);
    EXPECT_EQ(g.Script().initWords[0], 0);
    EXPECT_EQ(g.Script().initWords[3], 3);
    EXPECT_EQ(ConfigureInterface(6, handle, 9600, 500, 2, 0), 0);
    EXPECT_EQ(g.Script().setConfigCalls, 1);
}

TEST_F(Binding, ModbusShapes) {
    FakeLibrary f('F');
    ASSERT_TRUE(f.Ok());
    params_[0] = 2;
    ors_handle_t handle = 0;
    ASSERT_EQ(BindInterface(5, &handle, params_.data()), 0);
    EXPECT_EQ(f.Script().initParam, 2);
    EXPECT_EQ(ConfigureInterface(5, handle, 19200, 500, 2, 2), 0);
    EXPECT_EQ(f.Script().setConfigArgs[0], 19200);
    EXPECT_EQ(f.Script().setConfigArgs[3], 2);
    EXPECT_EQ(ConfigureInterface(0, handle, 19200, 500, 2, 2), 10);  // the Vextbus-2 shape is not bound
    EXPECT_EQ(f.Script().setConfigCalls, 1);
}

TEST_F(Binding, MissingFunctionUnloadsTheLibrary) {
    ors_handle_t handle = 0;
    EXPECT_EQ(BindInterface(1, &handle, params_.data()), 111);  // exports everything but Version
    EXPECT_FALSE(InterfaceLoaded());
    EXPECT_FALSE(platform::LibraryIsLoaded(FakeLibraryPath('B')));
    EXPECT_EQ(handle, 0);
}

TEST_F(Binding, MissingFileAndBadKind) {
    ors_handle_t handle = 0;
    EXPECT_EQ(BindInterface(3, &handle, params_.data()), 103);  // no libORSD.so anywhere
    EXPECT_FALSE(InterfaceLoaded());
    EXPECT_EQ(BindInterface(7, &handle, params_.data()), 10);
    EXPECT_EQ(BindInterface(255, &handle, params_.data()), 10);
    EXPECT_EQ(BindInterface(0, nullptr, params_.data()), 10);
    EXPECT_FALSE(InterfaceLoaded());
    EXPECT_EQ(CloseInterface(3, &handle), 10);
}

TEST_F(Binding, FailedInitStaysLoadedUntilTheNextBind) {
    ors_handle_t handle = 0;
    {
        FakeLibrary lib('A');
        ASSERT_TRUE(lib.Ok());
        lib.Script().initResult = 5;
        EXPECT_EQ(BindInterface(0, &handle, params_.data()), 5);
        EXPECT_EQ(handle, 0);
        EXPECT_EQ(lib.Script().doneCalls, 0);
    }
    EXPECT_TRUE(InterfaceLoaded());
    EXPECT_TRUE(platform::LibraryIsLoaded(FakeLibraryPath('A')));
    // The next bind releases it, whichever library it loads.
    EXPECT_EQ(BindInterface(2, &handle, params_.data()), 0);
    EXPECT_FALSE(platform::LibraryIsLoaded(FakeLibraryPath('A')));
    EXPECT_TRUE(platform::LibraryIsLoaded(FakeLibraryPath('C')));
}

TEST_F(Binding, LibraryInTheCurrentDirectoryIsNeverLoaded) {
    QTemporaryDir cwd;
    QTemporaryDir emptyFolder;
    ASSERT_TRUE(cwd.isValid() && emptyFolder.isValid());
    const QString planted = cwd.filePath("libORSA.so");
    ASSERT_TRUE(QFile::copy(QString::fromStdString(FakeLibraryPath('A')), planted));
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(cwd.path()));
    SetInterfaceLibraryFolder(emptyFolder.path().toStdString());

    ors_handle_t handle = 0;
    const std::int32_t result = BindInterface(0, &handle, params_.data());
    QDir::setCurrent(before);
    EXPECT_EQ(result, 100);
    EXPECT_FALSE(InterfaceLoaded());
    EXPECT_FALSE(platform::LibraryIsLoaded(planted.toStdString()));
    EXPECT_EQ(handle, 0);
}
