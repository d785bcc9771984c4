// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "library/nodeinfo.h"
#include "library/treenodedata.h"

#include <cstddef>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TreeNode;
class iPodRootNode;
using TreeNodePtr = std::shared_ptr<TreeNode>;
using TreeNodeArray = std::vector<TreeNodePtr>;

// A node of the device tree. A node owns its children; the parent link is a plain back
// reference that the parent keeps valid while the child is in its list. Main thread only.
class TreeNode
{
public:
    static constexpr std::size_t NotFound = std::numeric_limits<std::size_t>::max();

    static TreeNodePtr treeNodeWithData(std::shared_ptr<TreeNodeData> data);
    // Stores the parent without changing the children's parents: the children keep theirs
    // until they are attached elsewhere.
    TreeNode(std::shared_ptr<TreeNodeData> data, TreeNode *parent, const TreeNodeArray &children);
    TreeNode() = default;
    virtual ~TreeNode() = default;
    TreeNode(const TreeNode &) = delete;
    TreeNode &operator=(const TreeNode &) = delete;

    const std::shared_ptr<TreeNodeData> &nodeData() const { return m_nodeData; }
    void setNodeData(std::shared_ptr<TreeNodeData> data) { m_nodeData = std::move(data); }
    TreeNode *nodeParent() const { return m_nodeParent; }
    void setNodeParent(TreeNode *parent) { m_nodeParent = parent; }

    void addChild(const TreeNodePtr &child);
    void insertChild(const TreeNodePtr &child, std::size_t index);
    void insertChildren(const TreeNodeArray &children, std::size_t index);
    void _removeChildrenIdenticalTo(const TreeNodeArray &children);
    void removeChild(const TreeNode *child);
    void removeFromParent();
    std::size_t indexOfChild(const TreeNode *child) const;
    std::size_t indexOfChildIdenticalTo(const TreeNode *child) const;
    std::size_t numberOfChildren() const { return m_nodeChildren.size(); }
    TreeNodePtr childAtIndex(std::size_t index) const;
    TreeNodePtr firstChild() const { return childAtIndex(0); }
    TreeNodePtr lastChild() const;
    TreeNodeArray children() const { return m_nodeChildren; }
    // Empties the list; the former children keep their parent references.
    void clearAllChild() { m_nodeChildren.clear(); }

    bool isDescendantOfNode(const TreeNode *node) const;
    bool isDescendantOfNodeInArray(const TreeNodeArray &nodes) const;
    void recursiveSortChildren();
    int compare(const TreeNode &other) const;
    // Equality for indexOfChild/removeChild; identity unless a node kind says otherwise.
    virtual bool isEqual(const TreeNode &other) const { return this == &other; }
    std::string description() const;

    // The smallest set of nodes whose subtrees hold every node of the array.
    static TreeNodeArray minimumNodeCoverFromNodesInArray(const TreeNodeArray &nodes);

    // What the outline shows; a plain node shows nothing.
    virtual std::string titleName() const { return {}; }
    virtual std::string image() const { return {}; } // a picture file path, or empty
    virtual std::optional<NodeInfo> getNodeInfo() const { return std::nullopt; }
    // False for a line that only tells something (a hint): it cannot be selected.
    virtual bool selectable() const { return true; }
    // The node as a device node, or null: lets a book list name its device without
    // knowing the device node's definition.
    virtual iPodRootNode *asDeviceNode() { return nullptr; }

protected:
    TreeNode *m_nodeParent = nullptr;
    std::shared_ptr<TreeNodeData> m_nodeData;
    TreeNodeArray m_nodeChildren;
};
