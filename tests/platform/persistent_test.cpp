#include <vedidoredo/platform/VxCollection.h>

#include <gtest/gtest.h>

namespace {

class TNote : public TVxCollectionItem {
public:
    using TVxCollectionItem::TVxCollectionItem;
    QString Text;
    void Assign(TVxPersistent* Source) override
    {
        if (auto* N = dynamic_cast<TNote*>(Source)) {
            Text = N->Text;
            return;
        }
        TVxCollectionItem::Assign(Source);
    }
};

class TNotes : public TVxCollection {
public:
    explicit TNotes(QObject* Owner = nullptr)
        : TVxCollection([](TVxCollection* C) -> TVxCollectionItem* { return new TNote(C); }, Owner)
    {
    }
    TNote* Add() { return static_cast<TNote*>(AddItem()); }
    TNote* Items(int I) const { return static_cast<TNote*>(Item(I)); }
};

}  // namespace

TEST(Persistent, AssignFromAnotherKindFailsWithCannotAssign)
{
    TVxPersistent A, B;
    try {
        A.Assign(&B);
        ADD_FAILURE() << "no exception";
    } catch (const EVxConvertError& E) {
        EXPECT_EQ(E.Message(), QStringLiteral("Cannot assign a TVxPersistent to a TVxPersistent"));
    }
    EXPECT_THROW(A.Assign(nullptr), EVxConvertError);
}

TEST(Collection, ItemsKnowTheirCollectionAndLeaveItWhenDestroyed)
{
    QObject Owner;
    TNotes Notes(&Owner);
    EXPECT_EQ(Notes.GetOwner(), &Owner);
    TNote* First = Notes.Add();
    TNote* Second = Notes.Add();
    TNote* Third = Notes.Add();
    EXPECT_EQ(Notes.Count(), 3);
    EXPECT_EQ(Third->Index(), 2);
    EXPECT_EQ(Second->GetOwner(), &Notes);
    delete Second;
    EXPECT_EQ(Notes.Count(), 2);
    EXPECT_EQ(Third->Index(), 1);
    Notes.Delete(0);
    EXPECT_EQ(Notes.Items(0), Third);
    EXPECT_THROW(Notes.Item(1), EVxError);
    (void)First;

    TNote Alone;  // an item outside any collection
    EXPECT_EQ(Alone.Index(), -1);
    Alone.SetCollection(&Notes);
    EXPECT_EQ(Notes.Count(), 2);
    Alone.SetCollection(nullptr);
    EXPECT_EQ(Notes.Count(), 1);
}

TEST(Collection, AssignCopiesItemsOfTheSameCollectionClass)
{
    TNotes A, B;
    A.Add()->Text = QStringLiteral("one");
    A.Add()->Text = QStringLiteral("two");
    B.Add()->Text = QStringLiteral("old");
    B.Assign(&A);
    ASSERT_EQ(B.Count(), 2);
    EXPECT_EQ(B.Items(1)->Text, QStringLiteral("two"));
    EXPECT_NE(B.Items(0), A.Items(0));
    B.Assign(&B);
    EXPECT_EQ(B.Count(), 2);
    TVxPersistent Other;
    EXPECT_THROW(B.Assign(&Other), EVxConvertError);
}
