// The parameter table is the only place that knows a parameter. For each field in turn, a copy of
// the table with that field's range, design value and names changed is handed to the window,
// the command line and the decoder's listing; each of them must show the change. A consumer
// that kept its own copy of a range, a design value or a name would not.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/decoded_parameters.h"
#include "cli/options.h"
#include "window_fixture.h"

namespace tornel::app::testing {
namespace {

// The field's range narrowed by one at each end, its design value moved to the new maximum (or
// the minimum where the maximum was already the design), and its names marked.
ParameterTable TableWithChangedField(std::size_t index) {
    ParameterTable table = kParameterTable;
    ParameterField& f = table[index];
    f.min += 1;
    f.max -= 1;
    f.design = f.design == f.max ? f.min : f.max;
    f.name = "изменённый параметр";
    f.listing = "изменённая подпись";
    return table;
}

std::string ErrorOf(const std::vector<std::string>& args, const ParameterTable& table) {
    try {
        cli::ParseCommandLine(args, table);
    } catch (const cli::UsageError& e) {
        return e.what();
    }
    return "";
}

// The --pN arguments that set field `index` to `value` and the other fields of its parameter to
// their design values.
std::vector<std::string> SetFieldArgs(const ParameterTable& table, std::size_t index,
                                      std::int32_t value) {
    std::string list;
    for (std::size_t i : FieldsOf(table[index].parameter, table)) {
        list += (list.empty() ? "" : ",") + std::to_string(i == index ? value : table[i].design);
    }
    return {"packet", "--" + ParameterKey(table[index].parameter), list};
}

using ParameterTableWalk = WindowTest;

TEST_F(ParameterTableWalk, ChangingOneFieldInTheTableChangesEveryConsumer) {
    for (std::size_t i = 0; i < kParameterTable.size(); ++i) {
        SCOPED_TRACE("field " + std::to_string(i + 1));
        const ParameterTable table = TableWithChangedField(i);
        const ParameterField& f = table[i];
        const std::string range = "от " + std::to_string(f.min) + " до " + std::to_string(f.max);

        parameters = &table;
        Recreate({});
        SpinEdit* field = Field(("SpinEdit_" + std::to_string(i + 1)).c_str());
        EXPECT_EQ(field->minimum(), f.min);
        EXPECT_EQ(field->maximum(), f.max);
        EXPECT_EQ(field->TypedValueUnclamped(), f.design);
        if (f.box != 0 && !field->isEnabled()) {  // a field under a clear box takes no typing
            Box(("CheckBox_" + std::to_string(f.box)).c_str())->click();
        }
        TypeInto(field, QString::number(kParameterTable[i].max));  // typed, not yet clamped
        Button("Button_FormFile")->click();
        EXPECT_TRUE(StatusTip().contains(QString::fromUtf8(f.name))) << StatusTip().toStdString();

        EXPECT_EQ(cli::ParseCommandLine({"packet"}, table).inputs.fields[i], f.design);
        EXPECT_NE(ErrorOf(SetFieldArgs(table, i, kParameterTable[i].max), table).find(range),
                  std::string::npos);
        EXPECT_EQ(ErrorOf(SetFieldArgs(table, i, f.max), table), "");
        const std::string help = cli::UsageText(table);
        EXPECT_NE(help.find(NameWithUnit(f) + ": " + range + ", по умолчанию " +
                            std::to_string(f.design)),
                  std::string::npos);

        PacketInputs allOn{DesignFields(table), {true, true, true, true, true}};
        const Packet packet = BuildPacket(allOn, table).packet;
        const std::string line = cli::DecodedParametersText(packet, table)[i];
        EXPECT_NE(line.find(std::string(f.listing) + ": "), std::string::npos) << line;
        const auto json = cli::DecodedParametersJson(packet, table)[ParameterKey(f.parameter)];
        const auto& value = f.member != nullptr ? json[f.member] : json;
        EXPECT_DOUBLE_EQ(value.get<double>(), *ValueOfByte(f, ByteOf(f, f.design)));
    }
    parameters = &kParameterTable;
}

// The form's caption of parameter 9 repeats its range in words of its own ("(300-1900Гц)"): it
// must say what the table allows.
TEST_F(ParameterTableWalk, TheRangeInTheCaptionOfParameter9IsTheTables) {
    const ParameterField& f = kParameterTable[FieldsOf(9).at(0)];
    EXPECT_TRUE(Control<QLabel>("Label_P9")->text().contains(
        QStringLiteral("(%1-%2%3)").arg(f.min).arg(f.max).arg(QString::fromUtf8(f.unit))));
}

}  // namespace
}  // namespace tornel::app::testing
