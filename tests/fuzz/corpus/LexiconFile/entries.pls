<?xml version="1.0" encoding="UTF-8"?>
<lexicon version="1.0" xmlns="http://www.w3.org/2005/01/pronunciation-lexicon" xmlns:pz="urn:parlanza:lexicon" alphabet="ipa" xml:lang="und">
  <lexeme pz:language="de" pz:wholeWord="false">
    <grapheme>Straße</grapheme>
    <grapheme>Strasse</grapheme>
    <alias>strasse</alias>
    <phoneme>ˈʃtʁaːsə</phoneme>
  </lexeme>
  <lexeme pz:regex="true" pz:matchCase="true"><grapheme>Q(\d)\1</grapheme><alias>queue</alias></lexeme>
</lexicon>
