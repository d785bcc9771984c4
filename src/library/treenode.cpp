// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "library/treenode.h"

#include "library/arrayextensions.h"

#include <algorithm>

TreeNodePtr TreeNode::treeNodeWithData(std::shared_ptr<TreeNodeData> data)
{
    return std::make_shared<TreeNode>(std::move(data), nullptr, TreeNodeArray{});
}

TreeNode::TreeNode(std::shared_ptr<TreeNodeData> data, TreeNode *parent, const TreeNodeArray &children)
    : m_nodeParent(parent), m_nodeData(std::move(data)), m_nodeChildren(children)
{
}

void TreeNode::addChild(const TreeNodePtr &child)
{
    m_nodeChildren.push_back(child);
    child->setNodeParent(this);
}

void TreeNode::insertChild(const TreeNodePtr &child, std::size_t index)
{
    insertObjectsFromArray(m_nodeChildren, TreeNodeArray{child}, index);
    child->setNodeParent(this);
}

void TreeNode::insertChildren(const TreeNodeArray &children, std::size_t index)
{
    insertObjectsFromArray(m_nodeChildren, children, index);
    for (const auto &child : children)
        child->setNodeParent(this);
}

void TreeNode::_removeChildrenIdenticalTo(const TreeNodeArray &children)
{
    // Keep the nodes alive until both passes are done: the array may hold our only references.
    const TreeNodeArray keep = children;
    for (const auto &child : keep)
        child->setNodeParent(nullptr);
    for (const auto &child : keep) {
        auto it = std::find(m_nodeChildren.begin(), m_nodeChildren.end(), child);
        if (it != m_nodeChildren.end())
            m_nodeChildren.erase(it);
    }
}

void TreeNode::removeChild(const TreeNode *child)
{
    const std::size_t index = indexOfChild(child);
    if (index != NotFound)
        _removeChildrenIdenticalTo({m_nodeChildren[index]});
}

void TreeNode::removeFromParent()
{
    if (m_nodeParent)
        m_nodeParent->removeChild(this);
}

std::size_t TreeNode::indexOfChild(const TreeNode *child) const
{
    if (!child)
        return NotFound;
    for (std::size_t i = 0; i < m_nodeChildren.size(); ++i) {
        if (m_nodeChildren[i]->isEqual(*child))
            return i;
    }
    return NotFound;
}

std::size_t TreeNode::indexOfChildIdenticalTo(const TreeNode *child) const
{
    for (std::size_t i = 0; i < m_nodeChildren.size(); ++i) {
        if (m_nodeChildren[i].get() == child)
            return i;
    }
    return NotFound;
}

TreeNodePtr TreeNode::childAtIndex(std::size_t index) const
{
    return index < m_nodeChildren.size() ? m_nodeChildren[index] : nullptr;
}

TreeNodePtr TreeNode::lastChild() const
{
    return m_nodeChildren.empty() ? nullptr : m_nodeChildren.back();
}

bool TreeNode::isDescendantOfNode(const TreeNode *node) const
{
    for (const TreeNode *n = this; n; n = n->nodeParent()) {
        if (n == node)
            return true;
    }
    return false;
}

bool TreeNode::isDescendantOfNodeInArray(const TreeNodeArray &nodes) const
{
    return std::any_of(nodes.begin(), nodes.end(), [this](const auto &n) { return isDescendantOfNode(n.get()); });
}

void TreeNode::recursiveSortChildren()
{
    // An insertion sort that moves a node only past a neighbour that compares as descending:
    // stable, and well defined even for payloads whose compare is not an ordering (the plain
    // payload answers "ascending" for every pair, which leaves the order as it is).
    for (std::size_t i = 1; i < m_nodeChildren.size(); ++i) {
        for (std::size_t j = i; j > 0 && m_nodeChildren[j - 1]->compare(*m_nodeChildren[j]) > 0; --j)
            std::swap(m_nodeChildren[j - 1], m_nodeChildren[j]);
    }
    for (const auto &child : m_nodeChildren)
        child->recursiveSortChildren();
}

int TreeNode::compare(const TreeNode &other) const
{
    if (!m_nodeData || !other.m_nodeData)
        return -1;
    return m_nodeData->compare(*other.m_nodeData);
}

std::string TreeNode::description() const
{
    // Appended piece by piece: gcc 12 warns (-Wrestrict) about "literal" + temporary string.
    std::string out = "{";
    out += m_nodeData ? m_nodeData->description() : std::string("(null)");
    out += '}';
    return out;
}

TreeNodeArray TreeNode::minimumNodeCoverFromNodesInArray(const TreeNodeArray &nodes)
{
    TreeNodeArray work = nodes;
    TreeNodeArray result;
    auto removeIdentical = [&work](const TreeNode *node) {
        auto it = std::find_if(work.begin(), work.end(), [node](const auto &n) { return n.get() == node; });
        if (it != work.end())
            work.erase(it);
    };
    while (!work.empty()) {
        TreeNodePtr node = work.front();
        work.erase(work.begin());
        // Climb while the parent was asked for too: the parent's subtree covers this node.
        while (node->nodeParent() && containsObjectIdenticalTo(work, node->nodeParent())) {
            removeIdentical(node.get());
            TreeNode *parent = node->nodeParent();
            auto it = std::find_if(work.begin(), work.end(), [parent](const auto &n) { return n.get() == parent; });
            node = *it;
        }
        if (!node->isDescendantOfNodeInArray(result))
            result.push_back(node);
        removeIdentical(node.get());
    }
    return result;
}
