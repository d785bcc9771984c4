// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "core/resources.h"
#include "library/epubnode.h"
#include "library/ipodrootnode.h"
#include "library/treenode.h"

#include <gtest/gtest.h>

namespace {
// A numbered payload, to see the order of the children.
class NumberData : public TreeNodeData
{
public:
    explicit NumberData(int n) : m_n(n) {}
    std::string description() const override { return std::to_string(m_n); }

private:
    int m_n;
};

TreeNodePtr node(int n)
{
    return TreeNode::treeNodeWithData(std::make_shared<NumberData>(n));
}

std::string order(const TreeNode &parent)
{
    std::string out;
    for (const auto &child : parent.children())
        out += child->description();
    return out;
}

StringDictionary deviceDictionary(const std::string &kind, std::optional<std::string> version = "4.0")
{
    StringDictionary d{{"Volumes_KEY", "/nowhere"},        {"guid", "g"},
                       {"PhotoSzie", "100.000000"},        {"BooksSzie", "200.000000"},
                       {"MusicSzie", "300.000000"},        {"VideoSzie", "400.000000"}};
    if (!kind.empty())
        d["ipodType"] = kind;
    if (version)
        d["ProductVersion"] = *version;
    return d;
}
} // namespace

// What the device list does with its tree: children added and removed (a stranger passed by),
// found by identity, and their parents. The rest of the node's interface serves no part of
// the program and is not tested here.
TEST(TreeNode, ChildrenAddedFoundAndRemoved)
{
    auto root = node(0);
    auto a = node(1), b = node(2), c = node(3);
    root->addChild(a);
    root->addChild(b);
    root->addChild(c);
    EXPECT_EQ(order(*root), "{1}{2}{3}");
    EXPECT_EQ(c->nodeParent(), root.get());
    EXPECT_EQ(root->indexOfChildIdenticalTo(c.get()), 2u);
    EXPECT_EQ(root->firstChild(), a);

    auto stranger = node(9);
    root->removeChild(stranger.get());
    EXPECT_EQ(root->numberOfChildren(), 3u) << "removing a node that is not a child changes nothing";
    EXPECT_EQ(root->indexOfChildIdenticalTo(stranger.get()), TreeNode::NotFound);

    root->removeChild(b.get());
    EXPECT_EQ(order(*root), "{1}{3}");
    EXPECT_EQ(root->childAtIndex(2), nullptr);
}

// The placeholder's title, an iPhone's picture and the two book lists are read through the
// device list's model (FolderDeviceTest.ArrivalReplacesThePlaceholderAndRemovalBringsItBack).
TEST(iPodRootNode, PictureByKindAndTheFiguresOfTheDevicePanel)
{
    EXPECT_FALSE(iPodRootNode::initNoDevice()->getNodeInfo().has_value());
    EXPECT_EQ(iPodRootNode::initWithDictionary({}), nullptr);
    const struct
    {
        const char *kind;
        std::optional<std::string> version;
        const char *picture;
    } pictures[] = {{"iPad", "4.0", "ipad.png"},
                    {"iPhone", "4.0", "iphonenor.png"},
                    {"", "4.0", "iphonenor.png"},
                    {"iPad", std::nullopt, "ipod.png"}};
    for (const auto &row : pictures)
        EXPECT_EQ(iPodRootNode::initWithDictionary(deviceDictionary(row.kind, row.version))->image(),
                  resourcePath(row.picture))
            << row.kind;

    auto ipad = iPodRootNode::initWithDictionary(deviceDictionary("iPad"));
    ASSERT_EQ(ipad->numberOfChildren(), 2u);
    EXPECT_EQ(std::dynamic_pointer_cast<epubNode>(ipad->childAtIndex(1))->whichIpodNode(), ipad.get());
    EXPECT_EQ(ipad->iPodVolumePath(), "/nowhere");

    ipad->setDeviceInfoDic({{"DeviceName", "Pad"}, {"FSTotalBytes", "1000"}, {"FSFreeBytes", "50"},
                            {"FamilyID", "10002"}});
    auto info = ipad->getNodeInfo();
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->isDeviceInfo());
    EXPECT_EQ(info->device.at("DeviceName"), "Pad");
    EXPECT_EQ(info->device.at("music_Size"), "300.000000");
    EXPECT_EQ(info->device.at("vide_Size"), "400.000000");
    EXPECT_EQ(info->device.at("picture_Size"), "100.000000");
    EXPECT_EQ(info->device.at("books_size"), "200.000000");
    // 1000 - (100 + 300 + 400 + 50 + 200): negative, and stored as computed.
    EXPECT_EQ(info->device.at("other_Size"), "-50.000000");
}
