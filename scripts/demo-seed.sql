-- The demo database that scripts/run loads once into its private server: a few small tables
-- with the usual column types (NULLs and Korean text among them) and one of 100,000 rows.
DROP DATABASE IF EXISTS demo;
CREATE DATABASE demo CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci;
USE demo;

CREATE TABLE customers (
  id INT NOT NULL AUTO_INCREMENT PRIMARY KEY,
  name VARCHAR(40) NOT NULL,
  city CHAR(10),
  active TINYINT(1) NOT NULL DEFAULT 1,
  born DATE,
  balance DECIMAL(12,2),
  rating DOUBLE,
  grade ENUM('gold','silver','bronze'),
  joined DATETIME,
  note TEXT
);
INSERT INTO customers (name, city, active, born, balance, rating, grade, joined, note) VALUES
  ('김민준', '서울', 1, '1988-03-14', 1520300.50, 4.75, 'gold', '2019-06-01 09:30:00', '단골 고객, 주말 배송 선호'),
  ('이서연', '부산', 1, '1993-11-02', 87000.00, 3.5, 'silver', '2020-01-15 14:05:12', NULL),
  ('박지호', '대구', 0, NULL, -1200.75, NULL, 'bronze', '2021-09-30 18:45:00', '연락처 변경 예정'),
  ('Alice Martin', 'Lyon', 1, '1979-07-21', 0.00, 5, 'gold', '2018-02-11 08:00:00', 'Prefers e-mail.'),
  ('Bob Stone', NULL, 1, '2001-01-01', 432.10, 2.25, NULL, NULL, NULL),
  ('최유나', '인천', 1, '1990-05-05', 99999999.99, 4.1, 'silver', '2022-12-24 23:59:59', '선물 포장 요청'),
  ('정하늘', '광주', 0, '1985-08-15', 15.5, 0.5, 'bronze', '2023-04-01 00:00:00', '');

CREATE TABLE orders (
  id BIGINT UNSIGNED NOT NULL PRIMARY KEY,
  customer_id INT NOT NULL,
  item VARCHAR(60) NOT NULL,
  quantity SMALLINT NOT NULL,
  amount DECIMAL(10,2) NOT NULL,
  ordered_at DATETIME NOT NULL,
  ship_window TIME,
  status ENUM('new','paid','shipped','cancelled') NOT NULL DEFAULT 'new',
  gift TINYINT(1)
);
INSERT INTO orders VALUES
  (10001, 1, '무선 키보드', 1, 59000.00, '2024-01-03 10:12:00', '09:00:00', 'shipped', 0),
  (10002, 1, 'USB-C cable', 3, 8900.00, '2024-01-03 10:13:41', '09:00:00', 'shipped', NULL),
  (10003, 2, '모니터 받침대', 1, 34500.00, '2024-02-14 19:20:00', '18:30:00', 'paid', 1),
  (10004, 4, 'Notebook A5', 10, 2.40, '2024-03-01 08:00:05', NULL, 'new', 0),
  (10005, 6, '기계식 키보드 (적축)', 2, 129000.00, '2024-03-09 21:47:33', '13:00:00', 'cancelled', 1),
  (10006, 3, 'Mouse pad XL', 1, 15000.00, '2024-04-22 12:00:00', '10:30:00', 'new', NULL);

CREATE TABLE attachments (
  id SMALLINT NOT NULL PRIMARY KEY,
  file_name VARCHAR(100) NOT NULL,
  mime CHAR(20),
  size INT UNSIGNED,
  content BLOB,
  uploaded DATETIME
);
INSERT INTO attachments VALUES
  (1, 'logo.png', 'image/png', 8, UNHEX('89504E470D0A1A0A'), '2024-05-01 11:11:11'),
  (2, '견적서.txt', 'text/plain', 25, CAST('견적 금액: 120,000원' AS BINARY), '2024-05-02 15:30:00'),
  (3, 'empty.bin', 'application/octet', 0, '', NULL),
  (4, 'missing.dat', NULL, NULL, NULL, NULL);

CREATE TABLE big (
  id INT NOT NULL PRIMARY KEY,
  label VARCHAR(40) NOT NULL,
  quantity INT NOT NULL,
  price DECIMAL(10,2) NOT NULL,
  created DATETIME NOT NULL,
  note TEXT,
  flag TINYINT(1) NOT NULL,
  ratio DOUBLE NOT NULL
);
INSERT INTO big
SELECT seq,
       CONCAT('item-', LPAD(seq, 6, '0')),
       (seq * 7919) % 1000,
       ((seq * 104729) % 100000) / 100,
       '2024-01-01 00:00:00' + INTERVAL seq MINUTE,
       IF(seq % 10 = 0, NULL, CONCAT('row ', seq, IF(seq % 3 = 0, ' 비고', ''))),
       seq % 2,
       seq / 7e0
FROM seq_1_to_100000;
