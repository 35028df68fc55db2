// Blob streams in their owner's list: each keeps its own slot, and one that goes hands its
// slot to the list's last stream, whatever order the streams go in.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "dbclient/FIBBlobStream.h"

namespace ordvane {
namespace {

// Every listed stream is where its index says, and nothing else is listed.
void ExpectSlotsHold(const TList& owners, const std::vector<std::unique_ptr<TFIBBlobStream>>& streams) {
  int live = 0;
  for (const auto& stream : streams) {
    if (!stream) continue;
    ++live;
    ASSERT_GE(stream->IndexInOwnerList(), 0);
    ASSERT_LT(stream->IndexInOwnerList(), owners.Count());
    EXPECT_EQ(owners.Items(stream->IndexInOwnerList()), stream.get());
  }
  EXPECT_EQ(owners.Count(), live);
}

TEST(BlobStreamOwners, StreamsKeepTheirSlotsInAnyOrderOfGoing) {
  TList owners;
  std::vector<std::unique_ptr<TFIBBlobStream>> streams;
  for (int tag = 0; tag < 12; ++tag)
    streams.push_back(
        std::make_unique<TFIBBlobStream>(tag, std::vector<Variant>{Variant(tag)}, "F", "T", &owners));
  for (int tag = 0; tag < 12; ++tag) {
    EXPECT_EQ(streams[static_cast<std::size_t>(tag)]->Tag(), tag);
    EXPECT_EQ(streams[static_cast<std::size_t>(tag)]->IndexInOwnerList(), tag);
  }
  std::mt19937 random(7);
  std::vector<std::size_t> order(streams.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), random);
  for (std::size_t i : order) {
    streams[i].reset();
    ExpectSlotsHold(owners, streams);
  }
}

TEST(BlobStreamOwners, APlainStreamIsInNoListAndOneMovedByOthersStillLeaves) {
  const TFIBBlobStream plain;
  EXPECT_EQ(plain.Tag(), -1);
  EXPECT_EQ(plain.OwnerList(), nullptr);
  EXPECT_EQ(plain.IndexInOwnerList(), -1);

  TList owners;
  int other = 0;
  owners.Add(&other);
  auto first = std::make_unique<TFIBBlobStream>(1, std::vector<Variant>{}, "", "", &owners);
  auto second = std::make_unique<TFIBBlobStream>(2, std::vector<Variant>{}, "", "", &owners);
  EXPECT_EQ(first->OwnerList(), &owners);
  EXPECT_EQ(first->IndexInOwnerList(), 1);
  // The owner rearranged its list behind the streams' backs.
  owners.Exchange(1, 2);
  first.reset();
  ASSERT_EQ(owners.Count(), 2);
  EXPECT_EQ(owners.Items(0), &other);
  EXPECT_EQ(owners.Items(1), second.get());
  second.reset();
  EXPECT_EQ(owners.Count(), 1);
}

}  // namespace
}  // namespace ordvane
