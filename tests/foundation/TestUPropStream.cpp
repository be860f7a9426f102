#include "PropStreamTestClasses.h"
#include "TestSupport.h"
#include "UClasses.h"
#include "UCodePage.h"
#include "UComponentCopy.h"
#include "UPropStream.h"

#include <gtest/gtest.h>
#include <random>

namespace {

const QString SInvalidImage = QStringLiteral("不正なストリーム フォーマット");

// Building blocks of streams: bytes written as hex (spaces allowed), short strings with
// their length byte, little-endian numbers.
QByteArray H(const char* HexText) {
    return QByteArray::fromHex(HexText);
}
QByteArray S(const QByteArray& Text) {
    return char(Text.size()) + Text;
}
QByteArray S(const char* Text) {
    return S(QByteArray(Text));
}
template <class T>
QByteArray LE(T Value) {
    return QByteArray(reinterpret_cast<const char*>(&Value), sizeof Value);
}
const QByteArray Sig("TPF0");

QByteArray Write(TComponent& C) {
    TMemoryStream m;
    WriteComponent(m, C);
    return m.Bytes();
}

std::unique_ptr<TComponent> Read(const QByteArray& Bytes) {
    TMemoryStream m(Bytes);
    return ReadComponent(m);
}

template <class T>
std::unique_ptr<T> ReadAs(const QByteArray& Bytes) {
    std::unique_ptr<TComponent> c = Read(Bytes);
    auto* t = qobject_cast<T*>(c.get());
    EXPECT_NE(t, nullptr);
    c.release();
    return std::unique_ptr<T>(t);
}

// Stream of one TTestObject named Obj with the given property bytes.
QByteArray ObjectWith(const QByteArray& Props, const QByteArray& Children = H("00")) {
    return Sig + S("TTestObject") + S("Obj") + Props + H("00") + Children;
}

std::string Message(const std::function<void()>& F) {
    try {
        F();
    } catch (const Exception& e) {
        return e.Message.toStdString();
    }
    return "(no error)";
}

class PropStreamTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterTestClasses(); }
    void SetUp() override {
        FLiveBefore = TTestObject::Live;
        TTestObject::LoadedOrder.clear();
    }
    void TearDown() override { EXPECT_EQ(TTestObject::Live, FLiveBefore) << "objects left over"; }
    int FLiveBefore = 0;
};

} // namespace

TEST_F(PropStreamTest, ObjectWithDefaultsIsClassNameNameAndTwoZeros) {
    TTestPlain plain;
    plain.SetName(QStringLiteral("Plain"));
    const QByteArray expected = Sig + S("TTestPlain") + S("Plain") + H("00 00");
    EXPECT_EQ(Write(plain), expected);

    // A value differing from its default is written, and an omitted one restored from the
    // constructor.
    plain.SetValue(1000);
    plain.SetText(QStringLiteral("abc"));
    const QByteArray changed = Write(plain);
    EXPECT_EQ(changed, Sig + S("TTestPlain") + S("Plain") + S("Value") + H("03 e8 03") + S("Text") +
                           H("06") + S("abc") + H("00 00"));
    auto back = ReadAs<TTestPlain>(expected);
    EXPECT_EQ(back->Value(), 7);
    EXPECT_EQ(back->Name(), QStringLiteral("Plain"));
}

TEST_F(PropStreamTest, IntegersTakeTheSmallestTag) {
    const struct {
        int64_t Value;
        const char* Bytes;
    } cases[] = {
        {0, "02 00"},
        {100, "02 64"},
        {-128, "02 80"},
        {127, "02 7f"},
        {128, "03 80 00"},
        {1000, "03 e8 03"},
        {-32768, "03 00 80"},
        {32768, "04 00 80 00 00"},
        {100000, "04 a0 86 01 00"},
        {-2147483648LL, "04 00 00 00 80"},
        {2147483648LL, "13 00 00 00 80 00 00 00 00"},
        {5000000000LL, "13 00 f2 05 2a 01 00 00 00"},
    };
    for (const auto& c : cases) {
        TMemoryStream m;
        TWriter(m).WriteInteger(c.Value);
        EXPECT_EQ(m.Bytes().toHex(' ').toStdString(), c.Bytes) << c.Value;
        m.SetPosition(0);
        EXPECT_EQ(TReader(m).ReadInt64(), c.Value);
    }
}

TEST_F(PropStreamTest, StringTagFollowsTheCodePageByteLength) {
    const struct {
        QString Text;
        TValueType Tag;
    } cases[] = {
        {QString(255, u'a'), vaString},   {QString(256, u'a'), vaLString},
        {QString(127, u'あ'), vaString},  // 254 bytes
        {QString(128, u'あ'), vaLString}, // 128 characters, 256 bytes
        {QStringLiteral("☃"), vaWString}, {QStringLiteral("ＭＳ 明朝 ①"), vaString},
    };
    for (const auto& c : cases) {
        TMemoryStream m;
        TWriter(m).WriteString(c.Text);
        EXPECT_EQ(uint8_t(m.Bytes()[0]), c.Tag) << c.Text.size();
        m.SetPosition(0);
        EXPECT_EQ(TReader(m).ReadString(), c.Text);
    }
    TMemoryStream m;
    TWriter(m).WriteString(QStringLiteral("☃x"));
    EXPECT_EQ(m.Bytes(), H("12 02 00 00 00 03 26 78 00"));
    TMemoryStream l;
    TWriter(l).WriteString(QString(256, u'a'));
    EXPECT_EQ(l.Bytes().left(5), H("0c 00 01 00 00"));
}

TEST_F(PropStreamTest, HandAssembledValuesReadAsWritten) {
    const QByteArray stream = ObjectWith(
        // a collection: two items, the second with an order integer before its list
        S("Items") + H("0e") + H("01") + S("Value") + H("02 07") + S("Caption") + H("06") + S("x") +
        H("00") + H("02 05") + H("01") + S("Caption") + H("12 01 00 00 00 03 26") + H("00") +
        H("00") +
        // Extended -2.5, Currency 12.3456, Single 1.5, Date 45000.25
        S("Ratio") + H("05 00 00 00 00 00 00 00 a0 00 c0") + S("Price") + H("10") +
        LE<int64_t>(123456) + S("Scale") + H("0f") + LE<float>(1.5f) + S("Stamp") + H("11") +
        LE<double>(45000.25) +
        // long string, set, enumeration, booleans, 64-bit integer
        S("Note") + H("0c") + LE<int32_t>(3) + "abc" + S("Options") + H("0b") + S("toBold") +
        S("TOSTRIKE") + H("00") + S("Kind") + H("07") + S("tkBeta") + S("Enabled") + H("08") +
        S("Hidden") + H("09") + S("Big") + H("13") + LE<int64_t>(-5000000000LL) +
        // identifiers for integers: colour, charset, cursor
        S("Color") + H("07") + S("clNone") + S("Font.Charset") + H("07") + S("SHIFTJIS_CHARSET") +
        S("Small") + H("07") + S("crHandPoint") +
        // UTF-8 string, nil reference, ignored names, design position of a component
        S("Caption") + H("14") + LE<int32_t>(6) + "日本" + S("Buddy") + H("0d") + S("Visible") +
        H("09") + S("Width") + H("01 02 05 01 00 00") + S("Left") + H("03 10 27"));
    auto obj = ReadAs<TTestObject>(stream);
    ASSERT_EQ(obj->Items()->Count(), 2);
    EXPECT_EQ(obj->Items()->ItemsAs<TTestItem>(0)->Value(), 7);
    EXPECT_EQ(obj->Items()->ItemsAs<TTestItem>(0)->Caption(), QStringLiteral("x"));
    EXPECT_EQ(obj->Items()->ItemsAs<TTestItem>(1)->Caption(), QStringLiteral("☃"));
    EXPECT_EQ(obj->Ratio(), -2.5);
    EXPECT_EQ(obj->Price().Scaled, 123456);
    EXPECT_EQ(obj->Scale(), 1.5f);
    EXPECT_EQ(obj->Stamp(), 45000.25);
    EXPECT_EQ(obj->Note(), QStringLiteral("abc"));
    EXPECT_EQ(obj->Options(), toBold | toStrike);
    EXPECT_EQ(obj->Kind(), tkBeta);
    EXPECT_FALSE(obj->Enabled());
    EXPECT_TRUE(obj->Hidden());
    EXPECT_EQ(obj->Big(), -5000000000LL);
    EXPECT_EQ(obj->Color(), clNone);
    EXPECT_EQ(obj->Font()->Charset(), 128);
    EXPECT_EQ(obj->Small(), -21);
    EXPECT_EQ(obj->Caption(), QStringLiteral("日本"));
    EXPECT_EQ(obj->Buddy(), nullptr);
}

TEST_F(PropStreamTest, ObjectPrefixesAndLongNamesAreRead) {
    // Child with a position (prefix F2 and an integer), an inline child (F4), and a child
    // whose class and property names are longer than any value tag.
    const QByteArray children = H("f2 02 03") + S("TTestObject") + S("A") + S("Small") +
                                H("02 01") + H("00 00") + H("f4") + S("TTestPlain") + S("B") +
                                H("00 00") + S("TTestComponentWithALongClassName") +
                                S("TheThirdChildHasALongName") + S("PropertyWithAQuiteLongName") +
                                H("02 09") + H("00 00") + H("00");
    auto obj = ReadAs<TTestObject>(ObjectWith({}, children));
    ASSERT_EQ(obj->ComponentCount(), 3);
    EXPECT_EQ(qobject_cast<TTestObject*>(obj->Components(0))->Small(), 1);
    EXPECT_EQ(obj->Components(1)->Name(), QStringLiteral("B"));
    auto* third = qobject_cast<TTestComponentWithALongClassName*>(obj->Components(2));
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third->PropertyWithAQuiteLongName(), 9);
    EXPECT_EQ(Write(*obj),
              ObjectWith(S("Small") + H("02 00") + S("Enabled") + H("09") + S("Options") +
                             H("0b 00") + S("Items") + H("0e 00"),
                         S("TTestObject") + S("A") + S("Small") + H("02 01") + S("Enabled") +
                             H("09") + S("Options") + H("0b 00") + S("Items") + H("0e 00") +
                             H("00 00") + S("TTestPlain") + S("B") + H("00 00") +
                             children.mid(children.indexOf("TTestComponentWith") - 1)));

    // An inherited child (F1) holds differences for a component the parent already has.
    TTestObject existing;
    auto* a = new TTestObject(&existing);
    a->SetName(QStringLiteral("A"));
    TMemoryStream m(ObjectWith({}, H("f1") + S("TTestObject") + S("A") + S("Counter") + H("02 05") +
                                       H("00 00") + H("00")));
    ReadComponent(m, existing);
    ASSERT_EQ(existing.ComponentCount(), 1);
    EXPECT_EQ(a->Counter(), 5);
    EXPECT_EQ(a->LoadedCalls, 1);
    EXPECT_EQ(existing.Name(), QStringLiteral("Obj"));
}

TEST_F(PropStreamTest, TreeRoundTripsByteForByte) {
    auto root = MakeSampleTree();
    const QByteArray first = Write(*root);
    TTestObject::LoadedOrder.clear();
    auto back = ReadAs<TTestObject>(first);
    EXPECT_EQ(Write(*back), first);

    EXPECT_EQ(back->Small(), 100);
    EXPECT_EQ(back->Counter(), 1000);
    EXPECT_EQ(back->Big(), 5000000000LL);
    EXPECT_EQ(back->Options(), toBold | toStrike);
    EXPECT_EQ(back->Price().Scaled, 123456);
    EXPECT_EQ(back->Stamp(), 45000.25);
    EXPECT_EQ(back->Note(), root->Note());
    EXPECT_EQ(back->Lines(), root->Lines());
    EXPECT_EQ(back->Font()->Name(), QStringLiteral("ＭＳ Ｐゴシック"));
    EXPECT_EQ(back->Font()->Style(), TTestOptions(toItalic));
    EXPECT_EQ(back->Items()->ItemsAs<TTestItem>(1)->Caption(), QStringLiteral("☃ snow"));
    EXPECT_EQ(back->Data, root->Data);
    EXPECT_EQ(back->Extra, root->Extra);
    EXPECT_EQ(back->Secret(), 0); // never stored
    EXPECT_EQ(back->Offset(), 3); // stored while Kind is tkGamma

    // Children in order, owned by the object they were read into; references resolved.
    ASSERT_EQ(back->ComponentCount(), 2);
    auto* child1 = qobject_cast<TTestObject*>(back->Components(0));
    auto* child2 = qobject_cast<TTestObject*>(back->Components(1));
    ASSERT_EQ(child2->ComponentCount(), 1);
    auto* grand = qobject_cast<TTestObject*>(child2->Components(0));
    EXPECT_EQ(child1->Note(), QStringLiteral("Ωmega ☃"));
    EXPECT_FALSE(child1->Enabled());
    EXPECT_EQ(back->Buddy(), child1);
    EXPECT_EQ(child2->Buddy(), back.get()); // the root, written as "Owner"
    EXPECT_EQ(grand->Buddy(), child1);
    EXPECT_EQ(grand->Owner(), child2);

    // Loaded once per object, root first, after the whole tree was there.
    EXPECT_EQ(TTestObject::LoadedOrder, QStringList({"Root", "Child1", "Child2", "Grand"}));
    EXPECT_EQ(back->ChildrenWhenLoaded, 2);
    EXPECT_EQ(back->LoadedCalls, 1);
    EXPECT_FALSE(back->ComponentState().testFlag(csLoading));
    EXPECT_FALSE(grand->ComponentState().testFlag(csReading));
}

TEST_F(PropStreamTest, ResourceFormWrapsTheStream) {
    TTestPlain plain;
    plain.SetValue(1);
    TMemoryStream m;
    WriteComponentRes(m, QStringLiteral("TTestPlain"), plain);
    const QByteArray body = Sig + S("TTestPlain") + S("") + S("Value") + H("02 01") + H("00 00");
    EXPECT_EQ(m.Bytes(), H("ff 0a 00") + "TTESTPLAIN" + H("00 30 10") +
                             LE<int32_t>(int32_t(body.size())) + body);
    m.SetPosition(0);
    auto back = ReadComponentRes(m);
    EXPECT_EQ(qobject_cast<TTestPlain*>(back.get())->Value(), 1);
    EXPECT_EQ(m.Remaining(), 0);

    // Names are cut at 63 bytes, never inside a double-byte character; only ASCII letters
    // change case.
    TMemoryStream n;
    WriteResourceHeader(n, QString(40, u'a') + QString(20, u'ア'));
    const QByteArray name = n.Bytes().mid(3, n.Bytes().indexOf('\0', 3) - 3);
    EXPECT_EQ(name, QByteArray(40, 'A') + ToCP932(QString(11, u'ア')));

    TMemoryStream bad(H("fe 0a 00 41 00 30 10 00 00 00 00") + Sig);
    EXPECT_EQ(Message([&] { ReadComponentRes(bad); }), SInvalidImage.toStdString());
    TMemoryStream badType(H("ff 0b 00 41 00 30 10 00 00 00 00") + Sig);
    EXPECT_EQ(Message([&] { ReadComponentRes(badType); }), SInvalidImage.toStdString());
}

TEST_F(PropStreamTest, ComponentsFollowEachOtherInOneStream) {
    TTestPlain a, b;
    a.SetValue(1);
    b.SetValue(2);
    TMemoryStream m;
    WriteComponent(m, a);
    WriteComponentRes(m, QStringLiteral("B"), b);
    WriteComponent(m, a);
    m.SetPosition(0);
    for (int expected : {1, 2, 1}) {
        std::unique_ptr<TComponent> c = expected == 2 ? ReadComponentRes(m) : ReadComponent(m);
        EXPECT_EQ(qobject_cast<TTestPlain*>(c.get())->Value(), expected);
    }
    EXPECT_EQ(m.Remaining(), 0);
}

TEST_F(PropStreamTest, MalformedStreamsAreRejectedWithClearMessages) {
    const std::string invalid = SInvalidImage.toStdString();
    const struct {
        QByteArray Stream;
        std::string Message;
    } cases[] = {
        {"TPX0" + S("TTestPlain") + S("") + H("00 00"), invalid},
        {ObjectWith(S("Small") + H("15 00")), invalid}, // tag 21
        {ObjectWith(S("Small") + H("ff")), invalid},
        {Sig + S("TNoSuchClass") + S("") + H("00 00"), "クラス TNoSuchClass が見つかりません"},
        {ObjectWith({}, S("TBogus") + S("") + H("00 00 00")), "クラス TBogus が見つかりません"},
        {ObjectWith(S("Bogus") + H("02 01")), "プロパティ Bogus は存在しません"},
        {ObjectWith(S("Font.Bogus") + H("02 01")), "プロパティ Font.Bogus は存在しません"},
        {ObjectWith(S("Small.Size") + H("02 01")), "プロパティ Small.Size は存在しません"},
        {ObjectWith(S("Small") + H("06") + S("x")), "プロパティ Small の値が不正です"},
        {ObjectWith(S("Small") + H("13") + LE<int64_t>(1LL << 40)),
         "プロパティ Small の値が不正です"},
        {ObjectWith(S("Font.Charset") + H("03 00 01")), "プロパティ Font.Charset の値が不正です"},
        {ObjectWith(S("Kind") + H("07") + S("tkOmega")), "プロパティ Kind の値が不正です"},
        {ObjectWith(S("Options") + H("0b") + S("toBlink") + H("00")),
         "プロパティ Options の値が不正です"},
        {ObjectWith(S("Color") + H("07") + S("clPlaid")), "プロパティ Color の値が不正です"},
        {ObjectWith(S("Enabled") + H("02 01")), "プロパティ Enabled の値が不正です"},
        {ObjectWith(S("Data") + H("06") + S("x")), "プロパティ Data の値が不正です"},
        {ObjectWith(S("Note") + H("0c ff ff ff 7f") + "abc"), invalid},
        {ObjectWith(S("Note") + H("12 00 00 00 40") + "ab"), invalid},
        {ObjectWith(S("Data") + H("0a 10 00 00 00") + "abc"), invalid},
        {ObjectWith(S("Note") + H("0c ff ff ff ff") + "abc"), invalid},
        {ObjectWith({}, H("f1") + S("TTestObject") + S("Missing") + H("00 00 00")), invalid},
        // Two children of one name: the component's own error, as a read error.
        {ObjectWith({}, S("TTestPlain") + S("A") + H("00 00") + S("TTestPlain") + S("a") +
                            H("00 00 00")),
         "a という名前のコンポーネントは既に存在します"},
        {ObjectWith({}, S("TTestPlain") + S("1st") + H("00 00 00")),
         "'1st' はコンポーネント名として無効です"},
    };
    for (const auto& c : cases) {
        TMemoryStream m(c.Stream);
        try {
            ReadComponent(m);
            ADD_FAILURE() << "accepted: " << c.Stream.toHex(' ').toStdString();
        } catch (const EStreamError& e) {
            EXPECT_EQ(e.Message.toStdString(), c.Message) << c.Stream.toHex(' ').toStdString();
        }
    }
}

TEST_F(PropStreamTest, DeepNestingIsCappedNotFollowed) {
    // Children nested a thousand deep.
    QByteArray deep = Sig;
    for (int i = 0; i < 1000; ++i)
        deep += S("TTestPlain") + S("") + H("00");
    EXPECT_EQ(Message([&] { Read(deep); }), SInvalidImage.toStdString());
    // Lists nested a million deep in a value that is skipped.
    const QByteArray lists = ObjectWith(S("Visible") + QByteArray(1000000, char(vaList)));
    EXPECT_EQ(Message([&] { Read(lists); }), SInvalidImage.toStdString());
    // Within the cap, nesting reads.
    QByteArray ok = Sig;
    for (int i = 0; i < 30; ++i)
        ok += S("TTestPlain") + S("") + H("00");
    ok += QByteArray(30, '\0');
    EXPECT_NO_THROW(Read(ok));
}

TEST_F(PropStreamTest, EveryTruncationIsAReadError) {
    auto root = MakeSampleTree();
    const QByteArray full = Write(*root);
    root.reset();
    for (qsizetype n = 0; n < full.size(); ++n) {
        TMemoryStream m(full.left(n));
        try {
            ReadComponent(m);
            FAIL() << "prefix of " << n << " bytes accepted";
        } catch (const EReadError& e) {
            ASSERT_EQ(e.Message, SInvalidImage) << n;
        }
    }
}

TEST_F(PropStreamTest, CorruptedBytesNeverCrashOrLeak) {
    auto root = MakeSampleTree();
    const QByteArray full = Write(*root);
    TMemoryStream res;
    WriteComponentRes(res, QStringLiteral("Sample"), *root);
    root.reset();
    std::mt19937 rng(20240611);
    int rejected = 0;
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes = (round % 4 == 3) ? res.Bytes() : full;
        const int flips = 1 + int(rng() % 3);
        for (int f = 0; f < flips; ++f)
            bytes[rng() % bytes.size()] = char(rng() % 256);
        TMemoryStream m(bytes);
        try {
            if (round % 4 == 3)
                ReadComponentRes(m);
            else
                ReadComponent(m);
        } catch (const EStreamError&) {
            ++rejected;
        }
        // Anything else (or a crash, leak, hang under the sanitizers) fails the test.
    }
    EXPECT_GT(rejected, 1000);
}

TEST_F(PropStreamTest, FailedReadIntoAnExistingRootLeavesNothingAttached) {
    auto source = MakeSampleTree();
    QByteArray bytes = Write(*source);
    source.reset();
    // Break the grandchild's class name: Child1 is complete by then, Child2 half read.
    const qsizetype at = bytes.indexOf(S("Grand")) - 11;
    ASSERT_EQ(bytes.mid(at, 11), S("TTestObject").mid(1));
    bytes[at] = 'X';

    TTestObject target;
    auto* keep = new TTestObject(&target);
    keep->SetName(QStringLiteral("Keep"));
    const int live = TTestObject::Live;
    TMemoryStream m(bytes);
    EXPECT_THROW(ReadComponent(m, target), EClassNotFound);
    EXPECT_EQ(TTestObject::Live, live);
    ASSERT_EQ(target.ComponentCount(), 1);
    EXPECT_EQ(target.Components(0), keep);
    EXPECT_FALSE(target.ComponentState().testFlag(csLoading));
    EXPECT_FALSE(target.ComponentState().testFlag(csReading));
    EXPECT_EQ(target.LoadedCalls, 0);
}

TEST_F(PropStreamTest, CustomPropertiesFollowThePublishedOnes) {
    TTestObject obj;
    obj.SetName(QStringLiteral("Obj"));
    obj.SetEnabled(false);
    obj.Data = "xyz";
    obj.Extra = {3};
    obj.SetLines(TStringList(QStringList{QStringLiteral("a")}));
    const QByteArray expected =
        ObjectWith(S("Small") + H("02 00") + S("Enabled") + H("08") + S("Options") + H("0b 00") +
                   S("Lines.Strings") + H("01 06") + S("a") + H("00") + S("Items") + H("0e 00") +
                   S("Data") + H("0a") + LE<int32_t>(3) + "xyz" + S("Extra") + H("01 02 03 00"));
    EXPECT_EQ(Write(obj), expected);
}

TEST_F(PropStreamTest, FloatTypesKeepTheirOwnTags) {
    TTestObject obj;
    obj.SetName(QStringLiteral("Obj"));
    obj.SetRatio(1e300);
    obj.SetScale(1.5f);
    obj.SetPrice(TCurrency::FromDouble(12.3456));
    obj.SetStamp(45000.25);
    EXPECT_EQ(Write(obj),
              ObjectWith(S("Small") + H("02 00") + S("Enabled") + H("09") + S("Options") +
                         H("0b 00") + S("Ratio") + H("05 00 e0 ac 03 40 e4 21 bf e3 43") +
                         S("Scale") + H("0f 00 00 c0 3f") + S("Price") +
                         H("10 40 e2 01 00 00 00 00 00") + S("Stamp") +
                         H("11 00 00 00 00 08 f9 e5 40") + S("Items") + H("0e 00")));
}

TEST_F(PropStreamTest, CopyAndCloneGoThroughTheSetters) {
    auto root = MakeSampleTree();
    auto clone = CloneComponent(*root);
    auto* copy = qobject_cast<TTestObject*>(clone.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Name(), QString()); // not stored, not copied
    EXPECT_EQ(copy->Secret(), 0);       // likewise
    EXPECT_EQ(copy->Small(), 100);
    EXPECT_EQ(copy->Lines(), root->Lines());
    EXPECT_NE(copy->Font(), root->Font()); // copied into its own font
    EXPECT_EQ(copy->Font()->Name(), root->Font()->Name());
    EXPECT_EQ(copy->Items()->Count(), 2);
    EXPECT_NE(copy->Items()->Items(0), root->Items()->Items(0));
    EXPECT_EQ(copy->Buddy(), root->Buddy()); // a reference stays a reference
    EXPECT_EQ(copy->ComponentCount(), 0);    // children are not copied
    // The same properties, so the same stream apart from name, custom data and children.
    copy->SetName(QStringLiteral("Root"));
    copy->Data = root->Data;
    copy->Extra = root->Extra;
    TTestPlain owner;
    TComponent* owned = CloneComponent(*copy, owner);
    EXPECT_EQ(owned->Owner(), &owner);
    EXPECT_EQ(owner.ComponentCount(), 1);

    TTestPlain plain;
    EXPECT_THROW(CopyPublishedProperties(*root, plain), EConvertError);
}

// Published event handlers go with the copy, so that it answers its events as the source
// does; what a class does not publish stays behind.
TEST_F(PropStreamTest, CopyAndCloneTakeThePublishedEventHandlers) {
    auto root = MakeSampleTree();
    std::vector<TComponent*> clicked;
    root->OnClick = [&](TComponent* Sender) { clicked.push_back(Sender); };
    root->OnUnpublished = [] {};
    auto clone = CloneComponent(*root);
    auto* copy = qobject_cast<TTestObject*>(clone.get());
    ASSERT_NE(copy, nullptr);
    ASSERT_TRUE(static_cast<bool>(copy->OnClick));
    copy->OnClick(copy);
    EXPECT_EQ(clicked, std::vector<TComponent*>{copy});
    EXPECT_FALSE(static_cast<bool>(copy->OnUnpublished));

    TTestObject target;
    CopyPublishedProperties(*root, target);
    ASSERT_TRUE(static_cast<bool>(target.OnClick));
    root->OnClick = nullptr;
    CopyPublishedProperties(*root, target);
    EXPECT_FALSE(static_cast<bool>(target.OnClick)) << "an empty handler is copied too";
    TComponent bare;
    EXPECT_THROW(CloneComponent(bare), EClassNotFound);
}

// A stream that fails before the root's name is read leaves the existing component as it
// was and raises the read error, in the plain and the resource-wrapped form.
TEST_F(PropStreamTest, EarlyFailureIntoAnExistingRootIsAReadError) {
    TTestObject probe;
    TMemoryStream header;
    WriteResourceHeader(header, QStringLiteral("PROBE"));
    const struct {
        const char* What;
        QByteArray Bytes;
    } cases[] = {
        {"empty", QByteArray()},
        {"wrong signature", QByteArray("TPX0") + S("TTestObject") + S("Obj") + H("0000")},
        {"signature only", Sig},
        {"one byte of the class name", Sig + H("0B") + "T"},
        {"fuzzing finding", ReadTestData("fuzz/propstream/truncated-class-name.bin")},
        {"class name without the name", Sig + S("TTestObject")},
    };
    for (const auto& c : cases) {
        for (const bool wrapped : {false, true}) {
            SCOPED_TRACE(std::string(c.What) + (wrapped ? " (resource)" : ""));
            TTestObject target;
            target.SetName(QStringLiteral("Before"));
            TMemoryStream m(wrapped ? header.Bytes() + c.Bytes : c.Bytes);
            if (wrapped)
                EXPECT_THROW(ReadComponentRes(m, target), EReadError);
            else
                EXPECT_THROW(ReadComponent(m, target), EReadError);
            EXPECT_EQ(target.Name(), QStringLiteral("Before"));
            EXPECT_EQ(target.ComponentCount(), 0);
            EXPECT_FALSE(target.ComponentState().testFlag(csLoading));
            EXPECT_EQ(target.LoadedCalls, 0);
        }
    }
}

// The reader moves past whole objects - prefixes, properties of every kind and children -
// leaving the stream at the next one; nesting beyond the cap and damage are read errors.
TEST_F(PropStreamTest, SkipComponentMovesPastOneWholeObject) {
    auto tree = MakeSampleTree();
    TMemoryStream m;
    WriteComponent(m, *tree);
    const int64_t first = m.GetPosition();
    TTestObject plain;
    plain.SetName(QStringLiteral("Second"));
    WriteComponent(m, plain);
    m.SetPosition(0);
    {
        TReader reader(m);
        reader.ReadSignature();
        reader.SkipComponent();
    }
    EXPECT_EQ(m.GetPosition(), first);
    auto second = ReadComponent(m);
    EXPECT_EQ(second->Name(), QStringLiteral("Second"));

    QByteArray deep = Sig;
    for (int i = 0; i < MaxStreamDepth + 2; ++i)
        deep += S("TTestObject") + S("") + H("00");
    deep += QByteArray(MaxStreamDepth + 2, '\0');
    const QByteArray whole = Write(*tree);
    for (const QByteArray& bad : {deep, whole.left(whole.size() - 3), Sig + H("0B") + "T"}) {
        TMemoryStream in(bad);
        TReader reader(in);
        reader.ReadSignature();
        EXPECT_THROW(reader.SkipComponent(), EReadError);
    }
}

// A system colour is stored with the number stored files give it (clBtnFace 0xFF00000F);
// its name still reads as the same colour.
TEST_F(PropStreamTest, SystemColoursKeepTheirNamesAndStoredNumbers) {
    TTestObject source;
    source.SetName(QStringLiteral("Obj"));
    source.SetColor(clBtnFace);
    const QByteArray written = Write(source);
    EXPECT_TRUE(written.contains(S("Color") + H("04") + LE<uint32_t>(0xFF00000Fu)))
        << written.toHex().toStdString();
    EXPECT_EQ(ReadAs<TTestObject>(written)->Color(), clBtnFace);
    EXPECT_EQ(ReadAs<TTestObject>(ObjectWith(S("Color") + H("07") + S("clBtnFace")))->Color(),
              clBtnFace);
}
