#pragma once

#include "host/types/Date.hpp"
#include "quarn/sales/BuyFromPerson.hpp"

#include <string>
#include <vector>

namespace Quarn_DuzAde {

// Who files the form FR0471 (income paid to private persons) and when: the company's header
// fields and the file's maker.
struct Fr0471Header {
    std::string companyCode;
    std::string companyName;
    std::string address;
    std::string email;
    std::string phone;
    std::string fax;
    std::string createdByApp; // "Talvex Enterprice Quarn_DuzAde v.2.4.0"
    std::string createdByLogin;
    Talvex::Date today;
};

// The first page of the form holds two persons, every further page six.
inline constexpr std::size_t kFr0471FirstPageRows = 2;
inline constexpr std::size_t kFr0471FurtherPageRows = 6;

// The FR0471 file as UTF-8 text: pages of person rows with their header fields, laid out
// as the tax authority's form reads them. Pure: the same rows and header give the same text.
std::string Fr0471Document(const std::vector<BuyFromPersonTotal>& rows, const Fr0471Header& header);

// A sum as the form writes it: two decimals after a decimal comma, no grouping ("1234,50").
std::string Fr0471Amount(Talvex::Currency sum);

} // namespace Quarn_DuzAde
