// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "core/resources.h"
#include "core/scratch.h"
#include "library/arrayextensions.h"
#include "library/bookkeys.h"
#include "library/catalogue.h"
#include "library/epubnode.h"
#include "library/ipodrootnode.h"
#include "library/treenode.h"
#include "tempdir.h"

#include <gtest/gtest.h>

namespace {
// A payload that orders by number, to see the sort move nodes.
class NumberData : public TreeNodeData
{
public:
    explicit NumberData(int n) : m_n(n) {}
    int compare(const TreeNodeData &other) const override
    {
        const int o = static_cast<const NumberData &>(other).m_n;
        return m_n < o ? -1 : (m_n > o ? 1 : 0);
    }
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

TEST(TreeNode, InsertRemoveAndParents)
{
    auto root = node(0);
    auto a = node(1), b = node(2), c = node(3), d = node(4);
    root->addChild(a);
    root->insertChild(c, 1);
    root->insertChildren({b, d}, 1);
    EXPECT_EQ(order(*root), "{1}{2}{4}{3}");
    EXPECT_EQ(d->nodeParent(), root.get());
    EXPECT_EQ(root->indexOfChild(c.get()), 3u);
    EXPECT_EQ(root->firstChild(), a);
    EXPECT_EQ(root->lastChild(), c);

    auto stranger = node(9);
    root->removeChild(stranger.get());
    EXPECT_EQ(root->numberOfChildren(), 4u) << "removing a node that is not a child changes nothing";
    EXPECT_EQ(root->indexOfChildIdenticalTo(stranger.get()), TreeNode::NotFound);

    d->removeFromParent();
    EXPECT_EQ(order(*root), "{1}{2}{3}");
    EXPECT_EQ(d->nodeParent(), nullptr);

    root->clearAllChild();
    EXPECT_EQ(root->numberOfChildren(), 0u);
    EXPECT_EQ(a->nodeParent(), root.get()) << "clearAllChild leaves the parent references";
    EXPECT_EQ(root->childAtIndex(0), nullptr);
}

TEST(TreeNode, SortIsRecursiveStableAndLeavesPlainPayloadsInOrder)
{
    auto root = node(0);
    auto three = node(3);
    root->addChild(three);
    root->addChild(node(1));
    root->addChild(node(2));
    three->addChild(node(9));
    three->addChild(node(5));
    root->recursiveSortChildren();
    EXPECT_EQ(order(*root), "{1}{2}{3}");
    EXPECT_EQ(order(*three), "{5}{9}");

    auto plain = TreeNode::treeNodeWithData(std::make_shared<TreeNodeData>());
    auto p1 = TreeNode::treeNodeWithData(std::make_shared<TreeNodeData>());
    auto p2 = TreeNode::treeNodeWithData(std::make_shared<TreeNodeData>());
    plain->addChild(p1);
    plain->addChild(p2);
    plain->recursiveSortChildren();
    EXPECT_EQ(plain->childAtIndex(0), p1);
    EXPECT_EQ(p1->compare(*p2), -1);
    EXPECT_EQ(p2->compare(*p1), -1);
}

TEST(TreeNode, MinimumCoverAndDescendants)
{
    auto root = node(0);
    auto a = node(1), a1 = node(11), a2 = node(12), b = node(2), b1 = node(21);
    root->addChild(a);
    root->addChild(b);
    a->addChild(a1);
    a->addChild(a2);
    b->addChild(b1);
    EXPECT_TRUE(a1->isDescendantOfNode(root.get()));
    EXPECT_TRUE(a1->isDescendantOfNode(a1.get()));
    EXPECT_FALSE(a1->isDescendantOfNode(b.get()));
    EXPECT_TRUE(b1->isDescendantOfNodeInArray({a, b}));

    // A child listed before its parent climbs to the parent; a node under an earlier
    // result is dropped; unrelated nodes stay in order.
    const TreeNodeArray cover = TreeNode::minimumNodeCoverFromNodesInArray({a1, a, a2, b1});
    ASSERT_EQ(cover.size(), 2u);
    EXPECT_EQ(cover[0], a);
    EXPECT_EQ(cover[1], b1);
    EXPECT_TRUE(containsObjectIdenticalTo(cover, a.get()));
    EXPECT_FALSE(containsObjectIdenticalTo(cover, a1.get()));

    std::vector<int> v{1, 4};
    insertObjectsFromArray(v, {2, 3}, 1);
    EXPECT_EQ(v, (std::vector<int>{1, 2, 3, 4}));
}

TEST(iPodDevice, TypeAndVersionRules)
{
    EXPECT_EQ(iPodDevice("/x", std::string("2.2.1")).deviceType(), 2);
    EXPECT_EQ(iPodDevice("/x", std::string("3.0")).deviceType(), 3);
    EXPECT_EQ(iPodDevice("/x", std::string("4.0")).deviceType(), 3);
    EXPECT_EQ(iPodDevice("/x", std::string("3.1")).productVersion312(), 0);
    EXPECT_EQ(iPodDevice("/x", std::string("3.1.2")).productVersion312(), 2);
    TempDir volume;
    EXPECT_EQ(iPodDevice(volume.path(), std::nullopt).deviceType(), 1);
    writeWholeFile(volume.file("iPod_Control/iTunes/iTunes Library.itlp"), "x");
    EXPECT_EQ(iPodDevice(volume.path(), std::nullopt).deviceType(), 4);
}

TEST(iPodRootNode, PlaceholderAndDeviceNode)
{
    auto placeholder = iPodRootNode::initNoDevice();
    EXPECT_EQ(placeholder->titleName(), "Please connect to your device");
    EXPECT_FALSE(placeholder->getNodeInfo().has_value());
    EXPECT_TRUE(placeholder->image().empty());

    EXPECT_EQ(iPodRootNode::initWithDictionary({}), nullptr);

    auto ipad = iPodRootNode::initWithDictionary(deviceDictionary("iPad"));
    ASSERT_TRUE(ipad);
    EXPECT_EQ(ipad->image(), resourcePath("ipad.png"));
    EXPECT_EQ(iPodRootNode::initWithDictionary(deviceDictionary("iPhone"))->image(), resourcePath("iphonenor.png"));
    EXPECT_EQ(iPodRootNode::initWithDictionary(deviceDictionary(""))->image(), resourcePath("iphonenor.png"));
    EXPECT_EQ(iPodRootNode::initWithDictionary(deviceDictionary("iPad", std::nullopt))->image(),
              resourcePath("ipod.png"));

    ASSERT_EQ(ipad->numberOfChildren(), 2u);
    auto itunes = std::dynamic_pointer_cast<epubNode>(ipad->childAtIndex(0));
    auto custom = std::dynamic_pointer_cast<epubNode>(ipad->childAtIndex(1));
    ASSERT_TRUE(itunes && custom);
    EXPECT_EQ(itunes->titleName(), "iTunes Books");
    EXPECT_EQ(custom->titleName(), "Custom Books");
    EXPECT_EQ(itunes->whichIpodNode(), ipad.get());
    EXPECT_EQ(custom->whichIpodNode(), ipad.get());
    EXPECT_EQ(ipad->whichIpodNode(), ipad.get());
    EXPECT_EQ(ipad->iPodVolumePath(), "/nowhere");

    ipad->setDeviceInfoDic({{"DeviceName", "Pad"}, {"FSTotalBytes", "1000"}, {"FSFreeBytes", "50"},
                            {"FamilyID", "10002"}});
    auto info = ipad->getNodeInfo();
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->isDeviceInfo());
    EXPECT_EQ(info->device.at("isDeviceInfo"), "1");
    EXPECT_EQ(info->device.at("DeviceName"), "Pad");
    EXPECT_EQ(info->device.at("music_Size"), "300.000000");
    EXPECT_EQ(info->device.at("vide_Size"), "400.000000");
    EXPECT_EQ(info->device.at("picture_Size"), "100.000000");
    EXPECT_EQ(info->device.at("books_size"), "200.000000");
    // 1000 - (100 + 300 + 400 + 50 + 200): negative, and stored as computed.
    EXPECT_EQ(info->device.at("other_Size"), "-50.000000");
    EXPECT_FALSE(ipad->devicesupportsphoto());
    ipad->setDeviceInfoDic({{"FamilyID", "10000"}});
    EXPECT_TRUE(ipad->devicesupportsphoto());
    EXPECT_TRUE(ipad->devicesupportsvideo());
    ipad->setDeviceInfoDic({{"FamilyID", "7"}});
    EXPECT_TRUE(ipad->devicesupportsphoto());
    EXPECT_FALSE(ipad->devicesupportsvideo());
}

TEST(epubNode, ListsAreReadAfreshOnEveryCall)
{
    TempDir volume;
    StringDictionary dictionary = deviceDictionary("iPhone");
    dictionary["Volumes_KEY"] = volume.path();
    auto device = iPodRootNode::initWithDictionary(dictionary);
    auto custom = device->childAtIndex(1);
    auto first = custom->getNodeInfo();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->tableColumn_key, (std::vector<std::string>{"Name", "Artist", "Album", "Genre"}));
    EXPECT_TRUE(first->tableColumn_data->empty());
    EXPECT_FALSE(first->isDeviceInfo());

    Catalogue books;
    PlistPtr entry(plist_new_dict());
    entrySetString(entry.get(), BookKey::Name, "Mine");
    entrySetBool(entry.get(), BookKey::UserItem, true);
    books.appendBook(std::move(entry));
    ASSERT_TRUE(books.write(volume.file(CataloguePath::LocalBooks)));
    auto second = custom->getNodeInfo();
    ASSERT_EQ(second->tableColumn_data->size(), 1u);
    EXPECT_EQ(second->tableColumn_data->front()->mediaName(), "Mine");
    EXPECT_TRUE(device->childAtIndex(0)->getNodeInfo()->tableColumn_data->empty());
}
