// Reading the node directory: what a good file gives, every way a file can be
// wrong (and that a wrong file gives no nodes at all), lookup by name, and
// where the directory is found.

#include "rks/DirectoryFile.h"
#include "rks/RksNodeDirectory.h"

#include <QDir>
#include <QSettings>

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace {

// A top level with one node whose JSON members are `members`.
QByteArray OneNode(const QByteArray& members)
{
    return "{\"nodes\":[{" + members + "}]}";
}

QByteArray Node(const QByteArray& name, int kind, const QByteArray& connection)
{
    return "{\"name\":\"" + name + "\",\"kind\":" + QByteArray::number(kind) + ",\"connection\":\"" + connection
        + "\"}";
}

// Groups nested `levels` deep with one node at the bottom.
QByteArray Nested(int levels)
{
    QByteArray text = "{\"name\":\"bottom\",\"nodes\":[" + Node("deep", 1, "ADDR=1") + "]}";
    for (int i = 1; i < levels; ++i)
        text = "{\"name\":\"g" + QByteArray::number(i) + "\",\"groups\":[" + text + "]}";
    return "{\"groups\":[" + text + "]}";
}

QByteArray ManyNodes(int count)
{
    QByteArray text = "{\"nodes\":[";
    for (int i = 0; i < count; ++i) {
        if (i)
            text += ',';
        text += Node("n" + QByteArray::number(i), 1, "ADDR=" + QByteArray::number(i % 65536));
    }
    return text + "]}";
}

} // namespace

TEST(RksNodeDirectory, ReadsGroupsAndNodesAsWritten)
{
    CRksNodeDirectory directory;
    QString error;
    ASSERT_TRUE(directory.Parse(kSampleDirectory, error)) << error.toStdString();
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(directory.NodeCount(), 4u);

    const RksNodeGroup& root = directory.Root();
    ASSERT_EQ(root.groups.size(), 2u);
    const RksNodeGroup& north = root.groups[0];
    EXPECT_EQ(north.name, "Region North");
    EXPECT_TRUE(north.nodes.empty());
    ASSERT_EQ(north.groups.size(), 2u);
    EXPECT_EQ(north.groups[0].name, "Site Kallio");
    ASSERT_EQ(north.groups[0].nodes.size(), 2u);
    const RksNode& spare = north.groups[0].nodes[1];
    EXPECT_EQ(spare.name, "Kallio spare");
    EXPECT_EQ(spare.kind, 1);
    EXPECT_EQ(spare.connection, "WP=SOCKET,HOST=10.20.1.8,PORT=7000,WP=NEQ1,ADDR=132,TMO=8000");
    EXPECT_EQ(north.groups[1].nodes.at(0).name, "Oulu mast");

    // An empty group is kept, so the tree shows what the file says.
    EXPECT_EQ(root.groups[1].name, "Region South");
    EXPECT_TRUE(root.groups[1].groups.empty() && root.groups[1].nodes.empty());

    // Nodes may sit at the top level too; blanks around a connection string go.
    ASSERT_EQ(root.nodes.size(), 1u);
    EXPECT_EQ(root.nodes[0].kind, 0);
    EXPECT_EQ(root.nodes[0].connection, "HOST=192.168.255.120,PORT=7000,ADDR=131");

    // The smallest directory there is, and the highest kind.
    ASSERT_TRUE(directory.Parse("{}", error));
    EXPECT_EQ(directory.NodeCount(), 0u);
    ASSERT_TRUE(directory.Parse(OneNode(R"("name":"ü-Ünit 7","kind":65535,"connection":"ADDR=65535")"), error));
    EXPECT_EQ(directory.Root().nodes.at(0).kind, 65535);
    EXPECT_EQ(directory.Root().nodes.at(0).name, "ü-Ünit 7");

    // Limits are inclusive.
    ASSERT_TRUE(directory.Parse(Nested(kRksDirectoryMaxDepth), error)) << error.toStdString();
    ASSERT_TRUE(directory.Parse(ManyNodes(int(kRksDirectoryMaxNodes)), error)) << error.toStdString();
    EXPECT_EQ(directory.NodeCount(), kRksDirectoryMaxNodes);
}

TEST(RksNodeDirectory, FindsANameExactlyOrRegardlessOfCase)
{
    CRksNodeDirectory directory;
    QString error;
    ASSERT_TRUE(directory.Parse(kSampleDirectory, error));

    const RksNode* node = directory.Find("QORA-131");
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->connection, "WP=SOCKET,HOST=10.20.1.7,PORT=7000,WP=NEQ1,ADDR=131");
    EXPECT_EQ(directory.Find(" qora-131\t"), node);
    EXPECT_EQ(directory.Find("KALLIO SPARE"), directory.Find("Kallio spare"));
    ASSERT_NE(directory.Find("lab bench"), nullptr);
    EXPECT_EQ(directory.Find("lab bench")->name, "Lab bench");

    for (const char* missing : {"QORA-13", "QORA-1311", "Kallio", "Region North", "Site Oulu", "", "  "})
        EXPECT_EQ(directory.Find(missing), nullptr) << missing;

    ASSERT_TRUE(directory.Parse(OneNode(R"("name":"Äänekoski","kind":1,"connection":"ADDR=3")"), error));
    EXPECT_NE(directory.Find("ÄÄNEKOSKI"), nullptr) << "case counts for no letter, not only ASCII";
}

TEST(RksNodeDirectory, RefusesAWrongFileWholeAndSaysWhereItIsWrong)
{
    const QByteArray tooLongName(kRksNameMaxChars + 1, 'n');
    const QByteArray tooLongConnection = "ADDR=1,X=" + QByteArray(int(kRksConnectionMaxBytes), 'x');
    const std::vector<std::pair<QByteArray, std::string>> cases = {
        // not JSON, or not the right shape
        {"", "not valid JSON"},
        {"{\n  \"nodes\": [\n    {\"name\": \"a\"\n", "not valid JSON at line 4"},
        {"{} x", "not valid JSON"},
        {"{\"nodes\":[{\"name\":\"\xff\xfe\",\"kind\":1,\"connection\":\"ADDR=1\"}]}", "not valid JSON"},
        {"[]", "the top level must be an object"},
        {"{\"version\":2}", "\"version\" must be 1"},
        {"{\"comment\":7}", "\"comment\" must be a text"},
        {"{\"group\":[]}", "unknown key \"group\""},
        {"{\"groups\":{}}", "\"groups\" must be a list"},
        {"{\"groups\":[\"North\"]}", "groups[0]: a group must be an object"},
        {"{\"nodes\":[null]}", "nodes[0]: a node must be an object"},
        // groups
        {"{\"groups\":[{\"nodes\":[]}]}", "groups[0]: \"name\" is missing"},
        {"{\"groups\":[{\"name\":5}]}", "groups[0]: \"name\" must be a text"},
        {"{\"groups\":[{\"name\":\"g\",\"groups\":[{\"name\":\"h\",\"nodes\":5}]}]}",
         "groups[0].groups[0] (\"h\"): \"nodes\" must be a list"},
        {"{\"groups\":[{\"name\":\"g\",\"kind\":1}]}", "groups[0]: unknown key \"kind\""},
        {Nested(kRksDirectoryMaxDepth + 1), "groups nest deeper than 8 levels"},
        // nodes: missing or mistyped members
        {OneNode(R"("kind":1,"connection":"ADDR=1")"), "nodes[0]: \"name\" is missing"},
        {OneNode(R"("name":"a","connection":"ADDR=1")"), "nodes[0] (\"a\"): \"kind\" is missing"},
        {OneNode(R"("name":"a","kind":1)"), "nodes[0] (\"a\"): \"connection\" is missing"},
        {OneNode(R"("name":"a","kind":1,"conection":"ADDR=1")"), "unknown key \"conection\""},
        {OneNode(R"("name":["a"],"kind":1,"connection":"ADDR=1")"), "\"name\" must be a text"},
        {OneNode(R"("name":"a","kind":"1","connection":"ADDR=1")"), "\"kind\" must be a whole number from 0 to 65535"},
        {OneNode(R"("name":"a","kind":1.5,"connection":"ADDR=1")"), "\"kind\" must be a whole number"},
        {OneNode(R"("name":"a","kind":65536,"connection":"ADDR=1")"), "\"kind\" must be a whole number"},
        {OneNode(R"("name":"a","kind":1,"connection":131)"), "\"connection\" must be a text"},
        {OneNode(R"("name":"a","kind":1,"connection":"ADDR=1","comment":{})"), "\"comment\" must be a text"},
        // names
        {OneNode(R"("name":"","kind":1,"connection":"ADDR=1")"), "\"name\" is empty"},
        {OneNode(R"("name":" a","kind":1,"connection":"ADDR=1")"), "\"name\" begins or ends with a blank"},
        {OneNode(R"("name":"a\u0007b","kind":1,"connection":"ADDR=1")"), "\"name\" holds a control character"},
        {OneNode("\"name\":\"" + tooLongName + "\",\"kind\":1,\"connection\":\"ADDR=1\""),
         "\"name\" is longer than 128 characters"},
        // connection strings the tool could not use
        {OneNode(R"("name":"a","kind":1,"connection":"")"), "must hold an item ADDR="},
        {OneNode(R"("name":"a","kind":1,"connection":"HOST=10.0.0.1,PORT=7000")"), "must hold an item ADDR="},
        {OneNode(R"("name":"a","kind":1,"connection":"ADDR=70000")"), "must hold an item ADDR="},
        {OneNode(R"("name":"a","kind":1,"connection":"HOST=ä,ADDR=2")"), "printable ASCII characters only"},
        {OneNode("\"name\":\"a\",\"kind\":1,\"connection\":\"" + tooLongConnection + "\""),
         "\"connection\" is longer than 1024 characters"},
        // bounds
        {ManyNodes(int(kRksDirectoryMaxNodes) + 1), "nodes[100000]: more than 100000 nodes"},
        {"{}" + QByteArray(int(kRksDirectoryMaxBytes), ' '), "larger than 33554432 bytes"},
    };

    for (const auto& [text, expected] : cases) {
        CRksNodeDirectory directory;
        QString error;
        ASSERT_TRUE(directory.Parse(kSampleDirectory, error));
        EXPECT_FALSE(directory.Parse(text, error)) << text.left(200).toStdString();
        EXPECT_NE(error.toStdString().find(expected), std::string::npos)
            << "expected \"" << expected << "\" in \"" << error.toStdString() << "\"";
        // Nothing of the wrong file, nor of the one read before it, stays.
        EXPECT_EQ(directory.NodeCount(), 0u);
        EXPECT_TRUE(directory.Root().groups.empty() && directory.Root().nodes.empty());
        EXPECT_EQ(directory.Find("QORA-131"), nullptr);
    }
}

TEST(RksNodeDirectory, NamesMustDifferInMoreThanCase)
{
    CRksNodeDirectory directory;
    QString error;
    const QByteArray sameName = R"({"groups":[
        {"name":"North","nodes":[{"name":"QORA-7","kind":1,"connection":"ADDR=7"}]},
        {"name":"South","nodes":[{"name":"QORA-7","kind":1,"connection":"ADDR=8"}]}]})";
    EXPECT_FALSE(directory.Parse(sameName, error));
    EXPECT_EQ(error.toStdString(), "groups[1].nodes[0] (\"QORA-7\"): the name is taken already by "
                                   "groups[0].nodes[0] (\"QORA-7\") (names count regardless of case)");

    const QByteArray sameButCase = R"({"nodes":[{"name":"Unit A","kind":1,"connection":"ADDR=7"},
        {"name":"unit a","kind":1,"connection":"ADDR=8"}]})";
    EXPECT_FALSE(directory.Parse(sameButCase, error));
    EXPECT_NE(error.indexOf(QStringLiteral("nodes[1] (\"unit a\"): the name is taken already")), -1)
        << error.toStdString();

    // Groups may share a name; only nodes are looked up.
    const QByteArray sameGroups = R"({"groups":[{"name":"Site"},{"name":"Site"}]})";
    EXPECT_TRUE(directory.Parse(sameGroups, error)) << error.toStdString();
}

TEST(RksNodeDirectory, LoadNamesTheFileAndRefusesWhatIsNoFile)
{
    CDirectoryFile file;
    CRksNodeDirectory directory;
    QString error;
    ASSERT_TRUE(directory.Load(file.Path(), error)) << error.toStdString();
    EXPECT_EQ(directory.NodeCount(), 4u);

    file.Write(OneNode(R"("name":"a","kind":1)"));
    EXPECT_FALSE(directory.Load(file.Path(), error));
    EXPECT_EQ(error, file.Path() + QStringLiteral(": nodes[0] (\"a\"): \"connection\" is missing"));
    EXPECT_EQ(directory.NodeCount(), 0u);

    // Exactly at the limit it is read; one byte more and it is not.
    QByteArray padded = kSampleDirectory;
    padded += QByteArray(int(kRksDirectoryMaxBytes - padded.size()), '\n');
    file.Write(padded);
    EXPECT_TRUE(directory.Load(file.Path(), error)) << error.toStdString();
    file.Write(padded + ' ');
    EXPECT_FALSE(directory.Load(file.Path(), error));
    EXPECT_TRUE(error.endsWith(QStringLiteral("larger than 33554432 bytes"))) << error.toStdString();

    EXPECT_FALSE(directory.Load(file.Folder() + QStringLiteral("/missing.json"), error));
    EXPECT_TRUE(error.endsWith(QStringLiteral("missing.json: no such file"))) << error.toStdString();
    EXPECT_FALSE(directory.Load(file.Folder(), error));
    EXPECT_TRUE(error.endsWith(QStringLiteral(": not a regular file"))) << error.toStdString();
    EXPECT_FALSE(directory.Load(QString(), error));
    EXPECT_EQ(error, QStringLiteral("no node directory is configured"));

    // A pipe nobody writes to would block a reader for ever.
    const QString fifo = file.Folder() + QStringLiteral("/pipe.json");
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    EXPECT_FALSE(directory.Load(fifo, error));
    EXPECT_TRUE(error.endsWith(QStringLiteral(": not a regular file"))) << error.toStdString();
}

TEST(RksNodeDirectory, BusAddressIsReadAsTheToolReadsIt)
{
    const std::vector<std::pair<const char*, int>> cases = {
        {"WP=SOCKET,HOST=10.0.0.1,PORT=7000,WP=NEQ1,ADDR=131", 131},
        {"ADDR=0", 0},
        {"ADDR=65535", 65535},
        {"HOST=h, ADDR=12 ,TMO=5", 12},
        {"ADDR=00131", 131},
        {"ADDR=000131", -1}, // the tool reads at most five digits
        {"ADDR=65536", -1},
        {"ADDR=", -1},
        {"ADDR= 5", 5},
        {"ADDR=5x", -1},
        {"addr=5", 5},                // keys in any case
        {"HOST=h,XADDR=5,ADDR=6", 6}, // keys whole
    };
    for (const auto& [connection, expected] : cases)
        EXPECT_EQ(RksBusAddress(connection), expected) << connection;
}

TEST(RksNodeDirectory, EnvironmentOverridesTheServiceSetting)
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, "RKS", "CommunicationService");
    EXPECT_EQ(RksConfiguredDirectory(), QString());

    settings.setValue("Directory", "/srv/rks/nodes.json");
    settings.sync();
    EXPECT_EQ(RksConfiguredDirectory(), QStringLiteral("/srv/rks/nodes.json"));

    setenv(kRksDirectoryVariable, "/tmp/other.json", 1);
    EXPECT_EQ(RksConfiguredDirectory(), QStringLiteral("/tmp/other.json"));
    setenv(kRksDirectoryVariable, "", 1);
    EXPECT_EQ(RksConfiguredDirectory(), QStringLiteral("/srv/rks/nodes.json"));

    unsetenv(kRksDirectoryVariable);
    settings.remove("Directory");
    settings.sync();
    EXPECT_EQ(RksConfiguredDirectory(), QString());
}
