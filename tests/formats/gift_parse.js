// Parses a GIFT file with the GIFT grammar parser and prints the questions as JSON.
const gift = require("gift-pegjs");
const text = require("fs").readFileSync(process.argv[2], "utf8");
process.stdout.write(JSON.stringify(gift.parse(text)));
