#include "common/clock.h"
#include "data/document_json.h"
#include "data/pot_ref_daten_object.h"
#include "data/qor_doc.h"
#include "data_test_util.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace qor::data;
using namespace qor::data::test;

TEST(DocumentJson, FieldsAndNumberForms)
{
    qor::SimClock clock;
    Logbook logbook;
    FakeUi ui;
    CQORDoc doc(clock, logbook, ui);
    CDatenObject sample;
    sample.m_time = 1234567890;
    sample.m_value[0] = 0.1f;
    sample.m_value2[15] = NAN;
    doc.AppendSample(sample);
    doc.m_pot.push_back({});
    doc.m_pot[0].m_raw = {-1, 0, 1};
    doc.m_eis.push_back({});
    doc.m_eis[0].m_val1 = 1e-5f;
    CStringDatenObject label;
    label.m_x = 0.1;
    label.m_text = "a \"b\"\n\tc\x01";
    doc.SetLabels({label});
    auto ref = std::make_unique<CPotRefDatenObject>();
    ref->m_count = 1;
    ref->m_x[0] = 2.5f;
    doc.m_spare.push_back(std::move(ref));
    doc.m_logBuch.m_text = "Grüße";

    const std::string j = DocumentJson(doc);
    const char* expected[] = {
        "{\"version\":3,\"samples\":[{\"time\":1234567890,\"value\":[0.100000001,0,",
        ",\"value2\":[0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,null],\"temperature\":[",
        "\"setup\":{\"interval\":946684810,\"show1\":[0,",
        "\"factor1\":[1,1,",
        "\"yFrom\":0,\"yTo\":100,\"sampleCount\":0,\"moduleType\":[0,",
        "\"virtual\":{\"enable\":[0,0,0,0],\"sourceY\":[0,0,0,0],\"sourceZ\":[0,0,0,0],\"formula\":[\"\","
        "\"\",\"\",\"\"]}",
        "\"logbook\":\"Grüße\"",
        "\"curves\":{\"visible\":[1,1,",
        "\"colour\":[255,65280,16711680,",
        "\"oldPot\":[]",
        "\"pot\":[{\"time\":0,\"counter\":0,\"raw\":[-1,0,1],\"status\":0,\"range\":0}]",
        "\"eis\":[{\"time\":0,\"index\":0,\"val1\":9.99999975e-06,\"val2\":0,\"val3\":0,\"flag1\":0,"
        "\"flag2\":0}]",
        "\"refs\":[{\"time\":0,\"count\":1,\"range\":[0],\"x\":[2.5],\"y\":[0],\"z\":[0]}]",
        "\"labels\":[{\"x\":0.10000000000000001,\"y\":0,\"font\":{\"height\":0,",
        "\"faceName\":\"\"},\"text\":\"a \\\"b\\\"\\n\\tc\\u0001\",\"colour\":0,\"scale\":1}]",
        ",\"spare\":1}\n",
    };
    for (const char* e : expected)
        EXPECT_NE(j.find(e), std::string::npos) << e << "\n" << j;
    EXPECT_EQ(j.rfind(",\"spare\":1}\n"), j.size() - 12);
}
