#include "playlist/EntryList.h"

#include "playlist/PlaylistRow.h"
#include "tags/TagColumns.h"

void MP3Node::releaseChain(std::shared_ptr<MP3Node> node)
{
    while (node && node.use_count() == 1) {
        std::shared_ptr<MP3Node> next = std::move(node->m_next);
        node = std::move(next);
    }
}

MP3Node::~MP3Node()
{
    releaseChain(std::move(m_next));
}

void MP3Node::initFileItem(const QString& file)
{
    m_tag = MP3Tag();
    m_tag.init(file);
}

void MP3Node::reInit(const QString& file)
{
    m_tag.init(file);
}

void MP3Node::bindNewFile(const QString& file)
{
    m_tag = MP3Tag();
    m_tag.init(file);
}

PlaylistRow* MP3Node::item() const
{
    return static_cast<PlaylistRow*>(const_cast<MP3Node*>(this));
}

void MP3Node::ReadTag()
{
    m_tag.ReadTag(MP3Tag::Reading::AllTags);
    showTag();
}

void MP3Node::showTag()
{
    PlaylistRow* const row = item();
    row->setText(QuickTagColumn, TagColumns::quickTag(m_tag));
    row->setText(HasId2Column, TagColumns::hasId2(m_tag));
}

bool Iterator::MoveNext()
{
    if (!m_current) {
        Reset();
        return m_current != nullptr;
    }
    if (!m_current->nextNode())
        return false;
    m_current = m_current->nextNode();
    return true;
}

MP3List::~MP3List()
{
    m_tail.reset();
    MP3Node::releaseChain(std::move(m_head));
}

std::shared_ptr<MP3Node> MP3List::addNode(const QString& file)
{
    std::shared_ptr<MP3Node> node = std::make_shared<PlaylistRow>();
    node->initFileItem(file);
    append(node);
    return node;
}

void MP3List::append(const std::shared_ptr<MP3Node>& node)
{
    node->m_list = this;
    if (!m_head) {
        m_head = node;
    } else {
        node->m_previous = m_tail.get();
        m_tail->m_next = node;
    }
    m_tail = node;
    ++m_size;
}

void MP3List::splice(MP3List& other)
{
    if (!other.m_head || &other == this)
        return;
    for (MP3Node* node = other.m_head.get(); node; node = node->m_next.get())
        node->m_list = this;
    if (!m_head) {
        m_head = std::move(other.m_head);
    } else {
        other.m_head->m_previous = m_tail.get();
        m_tail->m_next = std::move(other.m_head);
    }
    m_tail = std::move(other.m_tail);
    m_size += other.m_size;
    other.m_size = 0;
}

std::shared_ptr<MP3Node> MP3List::handleOf(const MP3Node& node) const
{
    if (node.m_list != this)
        return nullptr;
    return node.m_previous ? node.m_previous->m_next : m_head;
}

void MP3List::remove(MP3Node* entry)
{
    // An entry that left this list, or was never in it, is not ours. The handle keeps it alive
    // until it is unlinked.
    if (!entry || entry->m_list != this)
        return;
    const std::shared_ptr<MP3Node> node = handleOf(*entry);
    MP3Node* const previous = node->m_previous;
    if (previous)
        previous->m_next = node->m_next;
    else
        m_head = node->m_next;
    if (node->m_next)
        node->m_next->m_previous = previous;
    // The owner of the entry before is the link that leads to it: from its own previous entry, or
    // the head.
    if (node == m_tail)
        m_tail = !previous ? nullptr : previous->m_previous ? previous->m_previous->m_next : m_head;
    node->m_previous = nullptr;
    node->m_list = nullptr;
    --m_size;
}

Iterator MP3List::getIterator() const
{
    Iterator iterator;
    iterator.init(m_head);
    return iterator;
}
