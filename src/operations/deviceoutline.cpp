// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "operations/deviceoutline.h"

#include "core/mainqueue.h"
#include "core/scratch.h"
#include "device/storage/loadiphone.h"
#include "library/epubnode.h"
#include "library/ipodrootnode.h"
#include "library/nodeinfo.h"
#include "library/surveyvalues.h"
#include "operations/devicelibrary.h"

#include <QPointer>

#include <algorithm>
#include <cstdio>

const char *const iPodListSelectionDidChangeNotification = "iPodListSelectionDidChangeNotification";
const char *const EjectiPodNotification = "EjectiPodNotification";
const char *const reloadiPodNotification = "reloadiPodNotification";

namespace {
// Device nodes stand for devices mirrored in their working folders (the catalogue copies),
// one folder per device identifier.
std::string mirrorVolumePath(const StringDictionary &survey)
{
    const auto guid = survey.find(NodeInfoKey::guid);
    if (guid != survey.end() && !guid->second.empty())
        return deviceScratchDir(guid->second);
    // No identifier, so no copies were made: a folder that holds none lists no books.
    const std::string process = processScratchDir();
    return process.empty() ? process : process + "/unidentified";
}

void collectInRowOrder(const TreeNode *node, std::vector<const TreeNode *> &out)
{
    for (const auto &child : node->children()) {
        out.push_back(child.get());
        collectInRowOrder(child.get(), out);
    }
}
} // namespace

DeviceOutline::DeviceOutline(DeviceLibrary &library, QObject *parent)
    : QObject(parent), m_library(library)
{
    auto &center = NotificationCenter::defaultCenter();
    center.addObserver(this, DeviceInfoNotification, [this](const Notification &n) { loadIphoneNotification(n); });
    center.addObserver(this, iphoneUnDeviceInfoNotification,
                       [this](const Notification &n) { unloadIphoneNotification(n); });
    center.addObserver(this, ::reloadiPodNotification, [this](const Notification &n) { reloadiPodNotification(n); });

    m_rootNode = TreeNode::treeNodeWithData(std::make_shared<TreeNodeData>());
    m_model = new DeviceListModel(m_rootNode, this);
    m_selection = new QItemSelectionModel(m_model, this);
    connect(m_selection, &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection &, const QItemSelection &) { outlineViewSelectionDidChange(); });
    m_model->appendChild(m_rootNode.get(), iPodRootNode::initNoDevice());
}

DeviceOutline::~DeviceOutline()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

// ---- Outline -----------------------------------------------------------------------------

void DeviceOutline::outlineSelectionChanged(const QModelIndex &index)
{
    if (index.isValid())
        m_selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    else
        m_selection->clear();
}

bool DeviceOutline::selectCustomBooks()
{
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const QModelIndex device = m_model->index(row, 0);
        for (int list = 0; list < m_model->rowCount(device); ++list) {
            const QModelIndex index = m_model->index(list, 0, device);
            const auto *node = dynamic_cast<const epubNode *>(m_model->nodeForIndex(index));
            if (node && node->titleName() == epubNode::CustomBooksTitle) {
                outlineSelectionChanged(index);
                return true;
            }
        }
    }
    return false;
}

void DeviceOutline::outlineViewSelectionDidChange()
{
    const TreeNodeArray nodes = selectedNodes();
    if (nodes.empty())
        postSelection(std::nullopt);
    else
        postSelection(nodes.front()->getNodeInfo());
}

void DeviceOutline::postSelection(const std::optional<NodeInfo> &info)
{
    std::any userInfo;
    if (info)
        userInfo = *info;
    NotificationCenter::defaultCenter().postNotificationName(iPodListSelectionDidChangeNotification, this,
                                                             std::move(userInfo));
}

TreeNodeArray DeviceOutline::selectedNodes() const
{
    std::vector<const TreeNode *> rows;
    collectInRowOrder(m_rootNode.get(), rows);
    TreeNodeArray out;
    for (const QModelIndex &index : m_selection->selectedRows(0)) {
        TreeNode *node = m_model->nodeForIndex(index);
        if (node && node->nodeParent()) {
            auto shared = node->nodeParent()->childAtIndex(node->nodeParent()->indexOfChildIdenticalTo(node));
            if (shared)
                out.push_back(shared);
        }
    }
    auto position = [&rows](const TreeNodePtr &n) { return std::find(rows.begin(), rows.end(), n.get()) - rows.begin(); };
    std::sort(out.begin(), out.end(), [&](const auto &a, const auto &b) { return position(a) < position(b); });
    return out;
}

TreeNodePtr DeviceOutline::selectedItem() const
{
    const QModelIndex current = m_selection->currentIndex();
    if (!current.isValid() || !m_selection->isSelected(current))
        return nullptr;
    TreeNode *node = m_model->nodeForIndex(current);
    TreeNode *parent = node ? node->nodeParent() : nullptr;
    return parent ? parent->childAtIndex(parent->indexOfChildIdenticalTo(node)) : nullptr;
}

// ---- Questions ---------------------------------------------------------------------------

int DeviceOutline::ipodCount() const
{
    if (m_rootNode->numberOfChildren() == 1 && m_rootNode->firstChild()->titleName() == iPodRootNode::NoDeviceTitle)
        return 0;
    return static_cast<int>(m_rootNode->numberOfChildren());
}

bool DeviceOutline::isRootSelect() const
{
    const TreeNodeArray nodes = selectedNodes();
    return std::any_of(nodes.begin(), nodes.end(), [](const auto &n) { return dynamic_cast<iPodRootNode *>(n.get()); });
}

bool DeviceOutline::isSelectepubnodecanadd() const
{
    const TreeNodeArray nodes = selectedNodes();
    if (nodes.empty())
        return false;
    auto *list = dynamic_cast<epubNode *>(nodes.front().get());
    return list && list->titleName() == epubNode::CustomBooksTitle;
}

std::string DeviceOutline::DeviceName() const
{
    const TreeNodePtr first = m_rootNode->firstChild();
    if (!first)
        return {};
    if (auto *device = dynamic_cast<iPodRootNode *>(first.get()))
        return device->whichIpodNode()->titleName();
    if (auto *list = dynamic_cast<epubNode *>(first.get()); list && list->whichIpodNode())
        return list->whichIpodNode()->titleName();
    return {};
}

int64_t DeviceOutline::getDeviceFreeSize() const
{
    const TreeNodeArray nodes = selectedNodes();
    if (nodes.empty())
        return 0;
    auto *list = dynamic_cast<epubNode *>(nodes.front().get());
    if (!list || !list->whichIpodNode())
        return 0;
    return static_cast<int64_t>(surveyNumber(list->whichIpodNode()->deviceInfoDic(), FSFree_Bytes));
}

std::string DeviceOutline::BytesToGB(double bytes)
{
    return bytesToGB(bytes);
}

// ---- Notification handlers ---------------------------------------------------------------

void DeviceOutline::loadIphoneNotification(const Notification &notification)
{
    const auto *survey = std::any_cast<StringDictionary>(&notification.userInfo);
    if (!survey)
        return;
    // Posted on the survey thread: the tree belongs to the main thread. The survey asks the
    // main thread to close the load window after this, so the node is there before it closes.
    QPointer<DeviceOutline> self(this);
    performOnMainThread([self, dictionary = *survey] {
        if (!self)
            return;
        // A survey may end after its device went away: after a removal, the device must
        // still answer before its survey makes a node.
        if (self->m_deviceGone) {
            const std::shared_ptr<ReadSession> session = self->m_library.openReadSession();
            const ReadSession::Read read = session ? session->read() : ReadSession::Read();
            afc_dictionary *info = nullptr;
            if (!read.conn() || AFCDeviceInfoOpen(read.conn(), &info) != 0 || !info)
                return;
            AFCKeyValueClose(info);
            self->m_deviceGone = false;
        }
        self->addDeviceNode(dictionary);
    });
}

void DeviceOutline::addDeviceNode(const StringDictionary &survey)
{
    // A survey without "ipodType" (no model reported) still makes a node: the phone picture.
    StringDictionary nodeDictionary{{NodeInfoKey::Volumes_KEY, mirrorVolumePath(survey)}};
    for (const char *key : {Product_Version, NodeInfoKey::guid, ipod_Type, NodeInfoKey::PhotoSzie,
                            NodeInfoKey::BooksSzie, NodeInfoKey::MusicSzie, NodeInfoKey::VideoSzie}) {
        if (auto it = survey.find(key); it != survey.end())
            nodeDictionary[key] = it->second;
    }
    auto node = iPodRootNode::initWithDictionary(nodeDictionary);
    if (!node)
        return;
    node->setDeviceInfoDic(survey);
    node->setTitleName(listedDeviceName(survey) + "(" + BytesToGB(surveyNumber(survey, FSFree_Bytes)) +
                       "/" + BytesToGB(surveyNumber(survey, FSTotal_Bytes)) + ")");
    const TreeNodePtr first = m_rootNode->firstChild();
    if (first && first->titleName() == iPodRootNode::NoDeviceTitle)
        m_model->removeChild(m_rootNode.get(), first.get());
    m_model->appendChild(m_rootNode.get(), node);
    Q_EMIT expandItem(m_model->indexForNode(node.get()));
    postSelection(node->getNodeInfo());
}

void DeviceOutline::unloadIphoneNotification(const Notification &)
{
    m_deviceGone = true;
    // The removal does not say which device went, and one device is served at a time.
    std::vector<std::string> mirrored;
    for (const TreeNodePtr &child : m_rootNode->children()) {
        if (auto *device = dynamic_cast<iPodRootNode *>(child.get()); device && !device->isPlaceholder())
            mirrored.push_back(device->iPodVolumePath());
    }
    for (const std::string &volumePath : mirrored)
        deviceRemoved(volumePath);
}

void DeviceOutline::deviceRemoved(const std::string &volumePath)
{
    if (volumePath.empty())
        return;
    for (const TreeNodePtr &child : m_rootNode->children()) {
        auto *device = dynamic_cast<iPodRootNode *>(child.get());
        if (device && !device->isPlaceholder() && device->iPodVolumePath() == volumePath)
            m_model->removeChild(m_rootNode.get(), child.get());
    }
    if (m_rootNode->numberOfChildren() == 0) {
        m_model->appendChild(m_rootNode.get(), iPodRootNode::initNoDevice());
        NotificationCenter::defaultCenter().postNotificationName(EjectiPodNotification, this);
    }
}

void DeviceOutline::reloadiPodNotification(const Notification &)
{
    const TreeNodeArray nodes = selectedNodes();
    if (nodes.empty())
        return;
    if (auto info = nodes.front()->getNodeInfo())
        postSelection(info);
}
